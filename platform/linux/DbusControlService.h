#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <vector>

#include "control/Controller.h"
#include "platform/CommandChannel.h"
#include "platform/linux/sender/BusNames.h"

// The running instance on the session bus: properties Night (b), Color (s, "#RRGGBB"),
// Brightness (i, 0..40), Schedule (s, its text form, "off" clears it), Fade (i, seconds,
// 0..3600) and Untinted (as, the outputs left untinted), all read-write, Automatic (b, the tray
// menu's item) read-only, the methods Toggle(), Tint(s) and Untint(s) (one output by name), and
// PropertiesChanged after every change, whatever its source. A write of the wrong type or out of
// range is an error and changes nothing.
namespace dbuscontrol {

inline const QString kService = QString::fromLatin1(busnames::kService);
inline const QString kPath = QString::fromLatin1(busnames::kPath);
inline const QString kInterface = QString::fromLatin1(busnames::kInterface);
inline const QString kPropertiesInterface = QString::fromLatin1(busnames::kPropertiesInterface);

class DbusControlService : public QDBusVirtualObject, public CommandService {
  public:
    DbusControlService(control::Controller& controller, const QDBusConnection& bus);
    ~DbusControlService() override;

    enum class Start { Serving, NameTaken, NoBus };
    // Puts the object on the bus and asks for the name, which no other process may hold.
    Start start();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  private:
    QDBusMessage answer(const QDBusMessage& message);
    void endRun();
    QDBusMessage get(const QDBusMessage& message) const;
    QDBusMessage getAll(const QDBusMessage& message) const;
    QDBusMessage set(const QDBusMessage& message);
    void announce(const control::State& state);

    control::Controller& controller_;
    QDBusConnection bus_;
    int listener_ = 0;
    control::State announced_;
    bool objectRegistered_ = false;
    bool nameOwned_ = false;
    // The calls that arrived in one pass of the event loop are one run: their answers wait here
    // until the run's changes are on the screen and kept.
    bool inRun_ = false;
    std::vector<QDBusMessage> answers_;
};

}  // namespace dbuscontrol
