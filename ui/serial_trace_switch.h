#pragma once
// The serial trace switch of the K6 window: a check item "Soros forgalom naplózása" under
// "Beállítások" that starts and stops tracing both windows' serial ports (the start window's
// search traffic included) into the trace folder, and an item that opens that folder. The choice
// is remembered in the settings and applied again at the next start.

#include "serial/serial_trace.h"

#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>

class QAction;

namespace dalvex {

class ConfigWindow;

// Catalogue texts of the switch; the language pass replaces them.
struct TraceTexts {
    QString MenuItem = QStringLiteral("Soros forgalom naplózása");
    QString OpenFolder = QStringLiteral("Naplófájlok mappájának megnyitása");
    QString Started = QStringLiteral("Soros forgalom naplózása: ");
    QString Failed =
        QStringLiteral("A soros forgalom naplója nem írható, a kapcsolat naplózás nélkül folytatódik: ");
};

class SerialTraceSwitch : public QObject {
    Q_OBJECT
public:
    // The settings value that remembers the choice ("1" on).
    static constexpr const char* kSetting = "SerialTrace";

    explicit SerialTraceSwitch(ConfigWindow& window);
    ~SerialTraceSwitch() override;

    // Starts or stops tracing; a trace that cannot be started leaves the ports untraced and says
    // why in status panel 3 and a message box. Returns whether tracing is on.
    bool SetTracing(bool on);
    bool Tracing() const;
    const std::shared_ptr<SerialTrace>& Trace() const { return trace_; }
    // The folder traces go to (tests set their own).
    std::filesystem::path Folder;

    QAction* TraceItem = nullptr;
    QAction* FolderItem = nullptr;
    TraceTexts Texts;

    // Re-applies the texts after a language switch.
    void ApplyTexts();

private:
    void Attach(const std::shared_ptr<SerialTrace>& trace);
    void OpenFolder();

    ConfigWindow& w_;
    std::shared_ptr<SerialTrace> trace_;
};

} // namespace dalvex
