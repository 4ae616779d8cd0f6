#pragma once
// The event log window: the title with the menu caption, the grid of records (row 0 the header;
// columns 0 row number, 1 event, 2 date, 3 signal, 4 network, 5 note), "Olvasás", "Olvasás
// megállítása", the progress bar and the CSV export. The read itself is the engine's
// (k6link/event_log.h); the window asks for it with ReadRequested and StopRequested and shows the
// rows it is given.
//
// The grid is a table view over a model that holds the rows, so the 16384 rows of a full log are
// appended a block at a time without a widget per cell.
// Design name: Tk6Form5; objectName "Tk6Form5", by which the catalogue and the tests find it.

#include "k6link/log_records.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <span>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

namespace dalvex {

// Texts of the window beside the log's own; the language pass replaces them.
struct LogWindowTexts {
    QString Read = QStringLiteral("Olvasás");
    QString Stop = QStringLiteral("Olvasás megállítása");
    QString Export = QStringLiteral("Export Excel");
    QString ExportFilter = QStringLiteral("Excel (*.csv)");
};

// The grid's rows under its header row.
class LogTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 6;

    explicit LogTableModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Rows from `firstRow` (1 the first under the header) become `rows`; later rows go.
    void SetRows(int firstRow, std::span<const k6link::LogRow> rows);
    const std::vector<k6link::LogRow>& Rows() const { return rows_; }
    // The header of columns 1 to 5.
    void SetHeader(const std::array<QString, 5>& header);

private:
    std::vector<k6link::LogRow> rows_;
    std::array<QString, 5> header_;
};

class EventLogWindow : public QWidget {
    Q_OBJECT
public:
    explicit EventLogWindow(QWidget* parent = nullptr);

    // Handlers of the controls; the design names their handlers as noted.
    void ReadClick();   // design: BitBtn2Click; "Olvasás"
    void StopClick();   // design: BitBtn4Click; "Olvasás megállítása"
    void ExportClick(); // design: BitBtn1Click; "Export Excel"

    // Puts Texts on the buttons (after the language pass has changed them).
    void ApplyTexts();

    // What the read shows.
    void ShowProgress(bool visible);
    void SetProgress(int position);
    void SetRows(int firstRow, std::span<const k6link::LogRow> rows);

    // The log's texts (header, CSV header); they stay the log read's. Unset: the defaults.
    void SetLogTexts(const k6link::LogTexts* texts);
    // The grid as the window counts it: row 0 the header, then one row per record.
    int RowCount() const;
    QString Cell(int row, int column) const;
    LogTableModel* Model() const { return model_; }

    // Writes the grid's rows as CSV to `path`; an empty text on success, otherwise the message.
    QString ExportCsv(const QString& path) const;

    QLabel* TitleLabel = nullptr;        // design: Label1; title: the menu caption
    QTableView* Grid = nullptr;          // design: StringGrid1; the records
    QPushButton* ReadButton = nullptr;   // design: BitBtn2; "Olvasás"
    QPushButton* StopButton = nullptr;   // design: BitBtn4; "Olvasás megállítása"
    QPushButton* ExportButton = nullptr; // design: BitBtn1; "Export Excel"
    QProgressBar* Progress = nullptr;    // design: ProgressBar1

    LogWindowTexts Texts;

signals:
    void ReadRequested();
    void StopRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const k6link::LogTexts& LogTexts() const;

    LogTableModel* model_ = nullptr;
    const k6link::LogTexts* logTexts_ = nullptr;
};

} // namespace dalvex
