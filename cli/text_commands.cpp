#include "text_commands.h"

#include "cli/config_files.h"
#include "i18n/catalogue.h"
#include "i18n/module_models.h"
#include "k6sheet/sheet_document.h"
#include "k6text/config_json.h"
#include "k6text/file_diff.h"
#include "k6text/sheet_content.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace dalvex::cli {

namespace {

// The command line speaks English unless told otherwise.
std::optional<int> LanguageOf(const Request& r) {
    const QString code = r.values.value(QStringLiteral("--lang"), QStringLiteral("en")).toLower();
    for (int l = 0; l < i18n::kLanguageCount; ++l)
        if (code == i18n::LanguageCode(l)) return l;
    if (code == QLatin1String("si")) return i18n::Slovenian;
    return std::nullopt;
}

// Opens a configuration file or text with what is known of its module: its note or name, the
// text's model, or --type.
int OpenDocument(const Request& r, const QString& path, k6text::ConfigDocument& doc) {
    OpenedConfiguration opened;
    if (const auto error = OpenConfiguration(path, doc.image, doc.customer, opened)) return Fail(*error, kUsageError);
    doc.fileLength = opened.fileLength;
    doc.moduleType = opened.note.type;
    doc.version = opened.note.version;
    if (r.values.contains(QStringLiteral("--type"))) {
        bool ok = false;
        const int type = r.values.value(QStringLiteral("--type")).toInt(&ok);
        if (!ok || !FindModel(type))
            return Fail(QStringLiteral("--type: \"%1\" is no module type this tool serves (72, 73, 74, 75)")
                            .arg(r.values.value(QStringLiteral("--type"))),
                        kUsageError);
        doc.moduleType = type;
    }
    return kOk;
}

int CheckOutputFolder(const QString& out, const char* command, const char* suffix) {
    if (out.isEmpty())
        return Fail(QStringLiteral("%1: -o FILE.%2 is needed").arg(QLatin1String(command), QLatin1String(suffix)),
                    kUsageError);
    if (const auto error = CheckOutput(out)) return Fail(*error, kUsageError);
    return kOk;
}

int Save(const QString& out, const QByteArray& data) {
    if (const auto saved = k6config::WriteFileAtomically(out, data); !saved)
        return Fail(FileErrorText(saved, out), kUsageError);
    return kOk;
}

void Wrote(const Request& r, const QString& out, const char* remark = "") {
    if (!r.options.quiet)
        std::fprintf(stderr, "Wrote %s%s\n", k6config::ShownName(out).toUtf8().constData(), remark);
}

} // namespace

int ExportText(const Request& r) {
    const QString file = r.positional.value(0);
    const QString out = r.values.value(QStringLiteral("--output"));
    if (const int rc = CheckOutputFolder(out, "export", "json"); rc != kOk) return rc;
    k6text::ConfigDocument doc;
    if (const int rc = OpenDocument(r, file, doc); rc != kOk) return rc;
    if (const int rc = Save(out, k6text::ExportJson(doc)); rc != kOk) return rc;
    Wrote(r, out, doc.moduleType ? "" : " (the file does not say which model it is for: \"model\" is null)");
    return kOk;
}

int ImportText(const Request& r) {
    const QString file = r.positional.value(0);
    const QString out = r.values.value(QStringLiteral("--output"));
    if (const int rc = CheckOutputFolder(out, "import", "dat"); rc != kOk) return rc;
    if (const auto error = CheckOutput(ModuleNotePath(out))) return Fail(*error, kUsageError);
    QByteArray text;
    if (const auto read = k6config::ReadInputFile(file, k6text::kMaxTextSize, text); !read)
        return Fail(FileErrorText(read, file), kUsageError);
    k6text::JsonError error;
    const auto doc = k6text::ImportJson(text, MessageLanguage(), &error);
    if (!doc) return Fail(QStringLiteral("%1: %2; nothing was written").arg(file, error.message), kUsageError);
    if (const int rc = Save(out, k6text::DocumentFileData(*doc)); rc != kOk) return rc;
    // The note a read leaves, so that a send checks the module type.
    if (doc->moduleType) {
        QByteArray note = QStringLiteral("type=%1\n").arg(*doc->moduleType).toUtf8();
        if (doc->version) note += QStringLiteral("version=%1\n").arg(*doc->version).toUtf8();
        note += QStringLiteral("model=%1\n").arg(ModelOfType(*doc->moduleType)).toUtf8();
        if (const auto failed = WriteModuleNote(out, note)) return Fail(*failed, kUsageError);
    } else {
        ::unlink(k6config::NameBytes(ModuleNotePath(out)).constData());
    }
    Wrote(r, out);
    return kOk;
}

int DiffFiles(const Request& r) {
    const auto language = LanguageOf(r);
    if (!language) return Fail(QStringLiteral("--lang takes hu, en, de, sk, it, si, nl or cs"), kUsageError);
    k6text::ConfigDocument a, b;
    if (const int rc = OpenDocument(r, r.positional.value(0), a); rc != kOk) return rc;
    if (const int rc = OpenDocument(r, r.positional.value(1), b); rc != kOk) return rc;
    const auto rows = k6text::DiffDocuments(a, b, *language);
    if (r.flags.contains(QStringLiteral("--json"))) {
        QJsonArray out;
        for (const auto& d : rows) {
            QJsonObject o{{QStringLiteral("page"), d.page},
                          {QStringLiteral("field"), d.field},
                          {QStringLiteral("before"), d.before},
                          {QStringLiteral("after"), d.after}};
            if (!d.control.isEmpty()) o.insert(QStringLiteral("control"), d.control);
            if (d.row >= 0) o.insert(QStringLiteral("row"), d.row);
            if (d.control.isEmpty()) o.insert(QStringLiteral("address"), QStringLiteral("0x%1").arg(d.address, 6, 16, QLatin1Char('0')));
            out.append(o);
        }
        std::fputs(QJsonDocument(out).toJson(QJsonDocument::Indented).constData(), stdout);
    } else {
        for (const auto& d : rows)
            Out(QStringLiteral("%1\t%2\t%3\t%4").arg(d.page, d.field, d.before, d.after));
    }
    return rows.empty() ? kOk : kModuleError; // 1: they differ, as diff says it
}

int SheetPdf(const Request& r) {
    const QString file = r.positional.value(0);
    const QString out = r.values.value(QStringLiteral("--output"));
    const auto language = LanguageOf(r);
    if (!language) return Fail(QStringLiteral("--lang takes hu, en, de, sk, it, si, nl or cs"), kUsageError);
    k6sheet::Paper paper = k6sheet::DefaultPaper();
    if (r.values.contains(QStringLiteral("--paper"))) {
        const auto p = k6sheet::PaperOfName(r.values.value(QStringLiteral("--paper")));
        if (!p) return Fail(QStringLiteral("--paper takes a4 or letter"), kUsageError);
        paper = *p;
    }
    if (const int rc = CheckOutputFolder(out, "sheet", "pdf"); rc != kOk) return rc;
    k6text::ConfigDocument doc;
    if (const int rc = OpenDocument(r, file, doc); rc != kOk) return rc;
    if (!doc.moduleType)
        return Fail(QStringLiteral("%1 does not say which model it is for: name it with --type 72|73|74|75").arg(file),
                    kUsageError);
    k6text::ConfigValues values;
    k6text::Decode(doc.image, doc.customer, *doc.moduleType, values);
    k6text::SheetOptions o;
    o.show.language = *language;
    o.show.moduleType = *doc.moduleType;
    if (doc.version) o.show.version = *doc.version;
    o.show.secrets = r.flags.contains(QStringLiteral("--secrets"));
    o.version = doc.version;
    o.when = QDateTime::currentDateTime();
    if (const auto written = k6sheet::WriteSheetPdf(out, k6text::BuildSheet(values, o), paper); !written)
        return Fail(FileErrorText(written, out), kUsageError);
    Wrote(r, out);
    return kOk;
}

} // namespace dalvex::cli
