#pragma once
// The K6 window's file commands and the Contact ID page: saving and opening configuration files,
// the caller-ID list files, the developer memory load, the two Contact ID grids with their
// loaders, the per-event SMS selection, and the "ContactIdSend" option.

#include "k6config/callerid_files.h"
#include "k6config/config_file.h"

#include <QObject>
#include <QStringList>
#include <functional>

namespace dalvex {

class ConfigWindow;

class K6FileCommands : public QObject {
    Q_OBJECT
public:
    explicit K6FileCommands(ConfigWindow& window);

    // File dialogs go through this; tests answer them. It gets whether a file is to be saved, the
    // title, the filters and the default suffix, and returns the chosen file (empty: cancelled)
    // and in `filter` the index of the filter chosen.
    using FileDialogFn = std::function<QString(bool save, const QString& title, const QStringList& filters,
                                               const QString& suffix, int& filter)>;
    static FileDialogFn FileDialogHook;

    // "Mentés fájlba", "Megnyitás fájlból"
    void SaveFileClick(); // design: BitBtn7Click
    void OpenFileClick(); // design: BitBtn8Click
    // Opens a configuration file into the pages as "Megnyitás fájlból" does, without the dialog.
    // False (after the message) when it cannot be opened.
    bool OpenFile(const QString& path);
    // The customer records ("Ügyfél név:" ..., Edit2 to Edit7) as the window holds them.
    static k6config::CustomerFields Customer(const ConfigWindow& window);
    // Caller-ID list: "Fájlba mentés", "Fájlból betöltés"; developer "Memory load".
    void SaveCallerIdsClick(); // design: Button3Click
    void LoadCallerIdsClick(); // design: Button4Click
    void MemoryLoadClick();    // design: Button6Click

    // Contact ID page.
    void EventRowClick(int row);       // design: StringGrid3Click
    void EventSmsMaskClick();          // design: SMSst7Click
    void AssignToAllEventsClick();     // design: Button20Click; "Összes jelzéshez hozzárendel"
    void DefaultContactIdCodesClick(); // design: AlapContactIDkdokbetltse1Click; BitBtn16 and PopupMenu2
    void ZoneTemplateClick();          // design: SablonBetltse1Click; BitBtn17 and PopupMenu3
    void ContactIdSendClick();         // design: CheckBox14Click
    // Activation: CheckBox14 ticked exactly when "ContactIdSend" is "1" or missing.
    void ApplyContactIdSetting();

    // The texts of a failed file command, in the window's language.
    static QString ErrorText(const k6config::FileResult& r, const QString& path,
                             const k6config::ConfigFileTexts& texts);
    // The same in the language the last language pass chose.
    static QString ErrorText(const k6config::FileResult& r, const QString& path);
    // The file texts of the chosen language, which every window's file errors share.
    static k6config::ConfigFileTexts& LanguageTexts();
    k6config::ConfigFileTexts& Texts = LanguageTexts();

    // The APN and server address the developer memory load puts in place.
    static constexpr const char* kDeveloperApn = "k6.dalvex.m2m";
    static constexpr const char* kDeveloperServer = "k6-service.dalvex.example";

private:
    QString AskFile(bool save, const QString& title, const QStringList& filters, const QString& suffix,
                    int& filter);
    void Message(const QString& text);
    bool Confirm(const QString& text);
    int LanguageIndex() const;
    QString MenuCaption(const char* item) const;
    k6config::CallerIdList CallerIds() const;
    void SetCallerIds(const k6config::CallerIdList& list);

    ConfigWindow& w_;
    int eventRow_ = 1;
    bool syncing_ = false;
};

} // namespace dalvex
