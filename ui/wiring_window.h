#pragma once
// The wiring window "Bekötési rajz": the terminal-block drawing of the module's model. The K6
// window's activation chooses which picture shows for the module type; this window only shows it.
// Design name: TK6Form4; objectName "TK6Form4", by which the catalogue and the tests find it.

#include <QWidget>

class QPushButton;
class QTabWidget;

namespace dalvex {

class SvgPicture;

class WiringWindow : public QWidget {
    Q_OBJECT
public:
    explicit WiringWindow(QWidget* parent = nullptr);

    QTabWidget* PageTabs = nullptr;     // design: PageControl1
    SvgPicture* Drawing = nullptr;      // design: Image1; models 72 and 74
    SvgPicture* MiniDrawing = nullptr;  // design: Image2; model 73, hidden until the activation shows it
    QPushButton* PrintButton = nullptr; // design: BitBtn1; "Nyomtatás": no function
    QPushButton* ExitButton = nullptr;  // design: BitBtn3; "Kilépés"
};

} // namespace dalvex
