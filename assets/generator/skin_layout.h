// Where the generated pictures sit in the 780 x 560 main window of skin 0. The background
// (main.bmp) is painted for exactly these places, so the windows should use them.
//
//   title band        y 0 .. 36, blue; toplogo.png (300 x 36) at (0, 0) carries the product
//                     mark; the window writes the configured name beside it (x 44, white);
//                     ButtonMin (696, 4) and ButtonClose (728, 4), 30 x 24
//   instruction strip y 36 .. 70, near-white; LabelTitle at (24, 43), dark text, 11-12 pt bold
//   left column       leftlogo.png (172 x 372) at (14, 78); LabelVersion and LabelMoreTools
//                     (grey) fit below it at x 20, y 458 and y 476
//   page card         white, x 195 .. 766, y 70 .. 498; PageControlMain at (203, 74), about
//                     555 x 416, is drawn on white
//   bottom bar        y 498 .. 560, light grey; the five bottom buttons (90 x 32) at y 510
//   mode page         downloadyoutube.png and youtubeconvert.png are 128 x 96, for a white page
//
// The bottom buttons' pictures are light (white to pale grey), so their captions are drawn
// DARK (0x1E293B) in every state; grey (0x94A3B8) when the button is disabled.
#pragma once

namespace tallowin::assets {

struct SkinLayout {
  static constexpr int kWidth = 780;
  static constexpr int kHeight = 560;
  static constexpr int kCornerRadius = 12;
  static constexpr int kBandHeight = 36;
  static constexpr int kStripBottom = 70;
  static constexpr int kCardLeft = 195;
  static constexpr int kCardRight = 766;
  static constexpr int kCardBottom = 498;
  static constexpr int kBottomButtonTop = 510;
  static constexpr int kBottomButtonWidth = 90;
  static constexpr int kBottomButtonHeight = 32;
  static constexpr int kCaptionButtonTop = 4;
  static constexpr int kCaptionButtonWidth = 30;
  static constexpr int kCaptionButtonHeight = 24;
  static constexpr int kTopLogoWidth = 300;
  static constexpr int kLeftLogoLeft = 14;
  static constexpr int kLeftLogoTop = 78;
  static constexpr int kLeftLogoWidth = 172;
  static constexpr int kLeftLogoHeight = 372;
  static constexpr int kModePictureWidth = 128;
  static constexpr int kModePictureHeight = 96;
};

}  // namespace tallowin::assets
