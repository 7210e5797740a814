// The desktop session's services of the Qt platform: finish sounds through Qt Multimedia, the
// login manager's sleep lock and desktop notifications over D-Bus. Each quietly does nothing
// when the service is missing (no sound device, no login manager, no notification daemon).
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>
#include <QVariantMap>

#include "shell/platform_services.h"

namespace tallowin {
namespace {

// How long a blocking D-Bus call may take before we give up on the service.
constexpr int kDBusTimeoutMs = 2000;

// The login manager's lock: an open file descriptor; closing it (with the object) releases it.
class LogindSleepLock : public SleepLock {
 public:
  explicit LogindSleepLock(QDBusUnixFileDescriptor fd) : fd_(std::move(fd)) {}

 private:
  QDBusUnixFileDescriptor fd_;
};

bool HasService(const QDBusConnection& bus, const QString& name) {
  if (!bus.isConnected()) return false;
  const QDBusConnectionInterface* bus_interface = bus.interface();
  if (bus_interface == nullptr) return false;
  const QDBusReply<bool> registered = bus_interface->isServiceRegistered(name);
  return registered.isValid() && registered.value();
}

}  // namespace

void QtPlatformServices::PlaySound(const std::string& wav_path) {
  const QString path = QString::fromStdString(wav_path);
  if (!QFileInfo(path).isFile()) return;
  // One effect for the program: a new sound replaces one still playing. It lives until the
  // application object goes, so the sound is not cut off when the caller returns.
  static QSoundEffect* effect = nullptr;
  if (effect == nullptr) effect = new QSoundEffect(QCoreApplication::instance());
  effect->stop();
  effect->setSource(QUrl::fromLocalFile(path));
  effect->play();
}

std::unique_ptr<SleepLock> QtPlatformServices::InhibitSleep(const std::string& who,
                                                            const std::string& why) {
  const QString service = "org.freedesktop.login1";
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!HasService(bus, service)) return nullptr;
  QDBusMessage call = QDBusMessage::createMethodCall(service, "/org/freedesktop/login1",
                                                     "org.freedesktop.login1.Manager", "Inhibit");
  call << QString("sleep") << QString::fromStdString(who) << QString::fromStdString(why)
       << QString("block");
  const QDBusReply<QDBusUnixFileDescriptor> reply = bus.call(call, QDBus::Block, kDBusTimeoutMs);
  if (!reply.isValid() || !reply.value().isValid()) return nullptr;
  return std::make_unique<LogindSleepLock>(reply.value());
}

void QtPlatformServices::NotifyDesktop(const std::string& title, const std::string& body) {
  const QString service = "org.freedesktop.Notifications";
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!HasService(bus, service)) return;
  QDBusMessage call =
      QDBusMessage::createMethodCall(service, "/org/freedesktop/Notifications", service, "Notify");
  call << QCoreApplication::applicationName() << 0u << QString() << QString::fromStdString(title)
       << QString::fromStdString(body) << QStringList() << QVariantMap() << -1;
  // Nobody waits for the answer.
  bus.asyncCall(call, kDBusTimeoutMs);
}

}  // namespace tallowin
