#pragma once
// How the K6 window adapts to the product variant, the module type, the module's software version
// and the try-out mode: the window's activation as its steps in their order, and the steps of each
// version reply, on the K6 window and on the module status window. Controls are found by their
// component names, so a step whose controls are not there (yet) does nothing.

#include <QObject>
#include <QString>
#include <optional>
#include <span>

class QWidget;

namespace dalvex {

class ConfigWindow;

// Catalogue texts of the adaptation; the language pass replaces them.
struct AdaptTexts {
    QString PhonebookSim = QStringLiteral("SIM");
    QString PhonebookNumber = QStringLiteral("Telefonszám");
    QString PhonebookName = QStringLiteral("Név");
};

class K6Activation : public QObject {
    Q_OBJECT
public:
    explicit K6Activation(ConfigWindow& window);

    // FormActivate of the K6 window: every activation step, in order.
    void Run();
    // Each valid version reply (after the engine has stored the version): its steps, in order.
    void VersionReply();

    struct Step {
        const char* name;
        void (K6Activation::*run)();
    };
    static std::span<const Step> ActivationSteps();
    static std::span<const Step> VersionReplySteps();

    // The K6 window's header: the model's picture (`Image20` for 73, `Image21` for 74, the main
    // model's otherwise) and the logo `Image2`.
    static QWidget* BuildHeader(QWidget* parent);

    // The scale of the "monitor" setting: "0" 1/2, "1" 2/3, "2" 1, "3" 4/3, "4" 5/3; none for any
    // other value, which leaves the window as designed.
    static std::optional<double> ScaleFactor(const QString& monitor);
    static constexpr int kDesignSizeItem = 2;
    // Scales a window and its fonts together, so the layouts keep every control whole.
    static void ScaleWindow(QWidget& window, double factor);

    AdaptTexts Texts;

    // The access codes of the "mode" setting.
    static constexpr const char* kDeveloperCode = "7302518";
    static constexpr const char* kSpecialCode = "brisemount";

    // Activation, in order.
    void ProgramVersionPanel();
    void DemoModeMenus();
    void LineModelControls();
    void LogoCopies();
    void CompactModelControls();
    void DemoModeShowsAll();
    void PhonebookHeaders();
    void CustomerFieldDefaults();
    void ContactIdSend();
    void LanguagePass();
    void SelectionResets();
    void AccessCodes();
    void VersionQuery();
    void CompanySetting();
    void EditionSteps();
    void FirstActivationScaling();
    void VoicePlayers();

    // Version reply, in order.
    void AllDeviceFilter();
    void HideExpansionPanelType();
    void PageRules();
    void StatusWindowRules();

private:
    // A page (its tab), menu item or control of the K6 window by component name.
    void SetShown(const char* name, bool shown);
    void SetShown(std::span<const char* const> names, bool shown);
    void ShowHeader();
    void ShowWiringPicture();

    ConfigWindow& w_;
    bool scaled_ = false;
};

} // namespace dalvex
