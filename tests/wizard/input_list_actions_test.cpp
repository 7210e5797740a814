// The input list's actions on existing rows: delete, clear, move, play, and the enable rules
// that follow the selection and the row count.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "ui/slide_grid.h"
#include "wizard_env.h"

namespace tallowin::test {
namespace {

std::vector<std::string> Paths(TFormMain& form) {
  std::vector<std::string> paths;
  for (int row = 0; row < form.NextGrid->RowCount(); ++row)
    paths.push_back(form.NextGrid->Cell(row, NxTextColumnFileFullName).toStdString());
  return paths;
}

// Enabled state of Delete, Clear, Play, Move Up, Move Down, in that order.
std::vector<bool> Enabled(TFormMain& form) {
  return {form.ActionDelete->isEnabled(), form.ActionClear->isEnabled(),
          form.ActionPlay->isEnabled(), form.ActionMoveUp->isEnabled(),
          form.ActionMoveDown->isEnabled()};
}

TEST(InputListActions, EnableRulesFollowSelectionAndRows) {
  WizardEnv env;
  TFormMain& form = env.Create();
  EXPECT_EQ(Enabled(form), (std::vector<bool>{false, false, false, false, false}));
  EXPECT_TRUE(form.ActionAdd->isEnabled());
  AddInputRows(form, 3);
  EXPECT_EQ(Enabled(form), (std::vector<bool>{false, true, false, false, false}));
  form.NextGrid->SelectRow(0);
  EXPECT_EQ(Enabled(form), (std::vector<bool>{true, true, true, false, true}));
  form.NextGrid->SelectRow(1);
  EXPECT_EQ(Enabled(form), (std::vector<bool>{true, true, true, true, true}));
  form.NextGrid->SelectRow(2);
  EXPECT_EQ(Enabled(form), (std::vector<bool>{true, true, true, true, false}));
  // The page's buttons follow their actions.
  EXPECT_FALSE(form.ButtonMoveDown->isEnabled());
  EXPECT_TRUE(form.ButtonMoveUp->isEnabled());
  form.NextGrid->SelectRow(-1);
  EXPECT_EQ(Enabled(form), (std::vector<bool>{false, true, false, false, false}));
  EXPECT_FALSE(form.ButtonDelete->isEnabled());
  form.NextGrid->SelectRow(0);
  form.ActionClearExecute();
  EXPECT_EQ(form.NextGrid->RowCount(), 0);
  EXPECT_EQ(Enabled(form), (std::vector<bool>{false, false, false, false, false}));
  EXPECT_FALSE(form.ButtonClear->isEnabled());
}

TEST(InputListActions, DeleteSelectsTheRowThatTookThePlace) {
  WizardEnv env;
  TFormMain& form = env.Create();
  AddInputRows(form, 3);
  // Without a selection nothing goes.
  form.ActionDeleteExecute();
  EXPECT_EQ(form.NextGrid->RowCount(), 3);

  // The last of three: the new last row is selected.
  form.NextGrid->SelectRow(2);
  form.ActionDelete->trigger();
  EXPECT_EQ(Paths(form), (std::vector<std::string>{"/media/clip0.mp4", "/media/clip1.mp4"}));
  EXPECT_EQ(form.NextGrid->SelectedRow(), 1);

  AddInputRows(form, 1);  // clip2 again, at the end
  form.NextGrid->SelectRow(1);
  form.ActionDeleteExecute();
  EXPECT_EQ(Paths(form), (std::vector<std::string>{"/media/clip0.mp4", "/media/clip2.mp4"}));
  EXPECT_EQ(form.NextGrid->SelectedRow(), 1);

  form.NextGrid->SelectRow(0);
  form.ActionDeleteExecute();
  EXPECT_EQ(form.NextGrid->SelectedRow(), 0);
  form.ActionDeleteExecute();
  EXPECT_EQ(form.NextGrid->RowCount(), 0);
  EXPECT_EQ(form.NextGrid->SelectedRow(), -1);
  EXPECT_FALSE(form.ActionDelete->isEnabled());
}

TEST(InputListActions, MoveUpAndDownCarryTheSelection) {
  WizardEnv env;
  TFormMain& form = env.Create();
  AddInputRows(form, 3);
  form.NextGrid->SelectRow(2);
  form.ActionMoveUp->trigger();
  EXPECT_EQ(Paths(form),
            (std::vector<std::string>{"/media/clip0.mp4", "/media/clip2.mp4", "/media/clip1.mp4"}));
  EXPECT_EQ(form.NextGrid->SelectedRow(), 1);
  form.ActionMoveUpExecute();
  EXPECT_EQ(form.NextGrid->SelectedRow(), 0);
  // The first row goes no higher.
  form.ActionMoveUpExecute();
  EXPECT_EQ(Paths(form),
            (std::vector<std::string>{"/media/clip2.mp4", "/media/clip0.mp4", "/media/clip1.mp4"}));
  EXPECT_EQ(form.NextGrid->SelectedRow(), 0);

  form.ActionMoveDown->trigger();
  form.ActionMoveDownExecute();
  EXPECT_EQ(Paths(form),
            (std::vector<std::string>{"/media/clip0.mp4", "/media/clip1.mp4", "/media/clip2.mp4"}));
  EXPECT_EQ(form.NextGrid->SelectedRow(), 2);
  // The last row goes no lower; without a selection nothing moves.
  form.ActionMoveDownExecute();
  form.NextGrid->SelectRow(-1);
  form.ActionMoveDownExecute();
  form.ActionMoveUpExecute();
  EXPECT_EQ(Paths(form),
            (std::vector<std::string>{"/media/clip0.mp4", "/media/clip1.mp4", "/media/clip2.mp4"}));
}

TEST(InputListActions, PlayAndDoubleClickOpenTheSelectedFile) {
  WizardEnv env;
  TFormMain& form = env.Create();
  AddInputRows(form, 2);
  form.ActionPlayExecute();
  EXPECT_TRUE(env.fake.opened.empty());
  form.NextGrid->SelectRow(1);
  form.ActionPlay->trigger();
  EXPECT_EQ(env.fake.opened, std::vector<std::string>{"/media/clip1.mp4"});
  form.NextGrid->SelectRow(0);
  emit form.NextGrid->doubleClicked(form.NextGrid->model()->index(0, 0));
  EXPECT_EQ(env.fake.opened, (std::vector<std::string>{"/media/clip1.mp4", "/media/clip0.mp4"}));
  // Crop & Trim does nothing and is not offered.
  form.ActionCropTrim->trigger();
  EXPECT_FALSE(form.ActionCropTrim->isVisible());
  EXPECT_EQ(env.fake.opened.size(), 2u);
  EXPECT_EQ(form.NextGrid->RowCount(), 2);
}

}  // namespace
}  // namespace tallowin::test
