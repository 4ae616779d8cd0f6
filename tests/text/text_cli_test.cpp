// dalvex-cli's file commands as a script runs them: the configuration sheet's PDF (its text read
// back with pdftotext), the text export and import of a file read from a simulated module, the
// refusals that leave no file behind, and diff's exit status.

#include "tests/support/file_bytes.h"
#include "sim/module_sim.h"
#include "sim/presets.h"
#include "sim/pty_module.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using dalvex::test::ReadAll;

using dalvex::sim::ModuleSim;

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

QString Preset(int type) {
    return QStringLiteral(DALVEX_SOURCE_DIR "/sim/presets/demo-%1.dat").arg(type);
}

class TextCli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp_.isValid()); }
    QString Path(const QString& name) const { return tmp_.filePath(name); }

    Result Run(const QString& program, const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DALVEX_PORTS", tmp_.filePath("ports"));
        env.insert("XDG_CONFIG_HOME", tmp_.filePath("config"));
        env.insert("XDG_RUNTIME_DIR", tmp_.path());
        env.remove("QT_QPA_PLATFORM"); // the sheet chooses its own
        p.setProcessEnvironment(env);
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000)) << args.join(' ').toStdString();
        Result r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    Result Cli(const QStringList& args) { return Run(DALVEX_CLI_PROGRAM, args); }

    // The PDF's text, laid out as on the page.
    QString PdfText(const QString& pdf) {
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty()) ADD_FAILURE() << "pdftotext (poppler-utils) is missing";
        // Ligatures ("ﬁ") read back as their letters.
        return Run(pdftotext, {"-layout", pdf, "-"}).out.normalized(QString::NormalizationForm_KC);
    }

    QTemporaryDir tmp_;
};

// One line of the sheet: a caption and its value, in one table row.
bool HasRow(const QString& text, const QString& caption, const QString& value) {
    const QRegularExpression row("(^|\\n)\\s*" + QRegularExpression::escape(caption) + "\\s{2,}" +
                                 QRegularExpression::escape(value) + "\\s*(\\n|$)");
    return row.match(text).hasMatch();
}

TEST_F(TextCli, SheetHoldsPagesAndChosenValuesInItsLanguage) {
    struct Case {
        int type;
        const char* lang;
        std::vector<const char*> pages; // page captions, in this order
        std::vector<std::pair<const char*, const char*>> rows;
        std::vector<const char*> absent; // pages this model does not show
    };
    const Case cases[] = {
        {74, "en", {"Configuration sheet", "Basic data", "Phone numbers", "In1", "Output", "Monitoring station",
                    "Line simulator", "Wiring diagram"},
         {{"Model", "Varnet GSM"}, {"Phone number 1", "+36301234567"}, {"Input type", "03/ Panel input"},
          {"Mode", "Timed monostable (MONO)"}, {"Customer name", "Kovacs Kft."}},
         {"In3", "Speed"}},
        {74, "hu", {"Konfigurációs lap", "Alapadatok", "Telefonszámok", "Be1", "Kimenet", "Vonalszimulátor",
                    "Bekötési rajz"},
         {{"Modell", "Varnet GSM"}, {"Bemenet típusa", "03/ Központi bemenet"},
          {"Üzemmód", "Egyállapotú időzített (MONO)"}},
         {"Be3"}},
        {72, "de", {"Konfigurationsblatt", "Grunddaten", "Rufnummern", "In1", "In3", "Ausgang", "Anschlussplan"},
         {{"Modell", "Telgor GSM"}, {"Rufnummer 1", "+36301234567"}},
         {"Leitungssimulator", "CID/SMS"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lang) + " " + std::to_string(c.type));
        const QString pdf = Path(QStringLiteral("sheet-%1-%2.pdf").arg(c.type).arg(c.lang));
        const Result r = Cli({"sheet", "--type", QString::number(c.type), Preset(c.type), "-o", pdf, "--lang", c.lang,
                              "--paper", "a4"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QString text = PdfText(pdf);
        qsizetype at = 0;
        for (const char* page : c.pages) {
            const qsizetype found = text.indexOf(QRegularExpression("(^|\\n)\\s*" + QRegularExpression::escape(page) + "\\s*\\n"), at);
            EXPECT_GE(found, at) << "page " << page;
            if (found >= 0) at = found;
        }
        for (const auto& [caption, value] : c.rows)
            EXPECT_TRUE(HasRow(text, caption, value)) << caption << " = " << value;
        for (const char* page : c.absent)
            EXPECT_FALSE(text.contains(QRegularExpression("\\n\\s*" + QRegularExpression::escape(page) + "\\s*\\n")))
                << page;
    }
}

TEST_F(TextCli, SheetMasksSecretsUnlessAsked) {
    // The demo's SMS security code and a server password, put in by the text.
    const QString json = Path("demo.json"), dat = Path("secret.dat");
    ASSERT_EQ(Cli({"export", "--quiet", "--type", "74", Preset(74), "-o", json}).exitCode, 0);
    QString text = QString::fromUtf8(ReadAll(json));
    text.replace(QRegularExpression("(\"gprs_server1_password.PASS1\": )\"[^\"]*\""), "\\1\"Titok-4711\"");
    text.replace(QRegularExpression("(\\.Edit1\": )\"[^\"]*\""), "\\1\"8642\"");
    QFile f(json);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
    f.close();
    ASSERT_EQ(Cli({"import", "--quiet", json, "-o", dat}).exitCode, 0);
    for (const bool secrets : {false, true}) {
        QStringList args{"sheet", dat, "-o", Path("s.pdf"), "--paper", "letter"};
        if (secrets) args << "--secrets";
        ASSERT_EQ(Cli(args).exitCode, 0);
        const QString pdf = PdfText(Path("s.pdf"));
        EXPECT_EQ(pdf.contains("Titok-4711"), secrets);
        EXPECT_EQ(pdf.contains("8642"), secrets);
        EXPECT_EQ(HasRow(pdf, "SMS security code", "••••"), !secrets);
    }
}

TEST_F(TextCli, AFileReadFromAModuleComesBackFromItsText) {
    dalvex::sim::PtyModule module;
    ASSERT_TRUE(module.start());
    ASSERT_TRUE(module.linkAs(Path("ports").toStdString(), 1));
    module.withModule([](ModuleSim& m) {
        m.setTypeCode(74);
        m.setVersion(84);
        std::string error;
        EXPECT_TRUE(dalvex::sim::applyPreset(m, dalvex::sim::Preset::Demo, &error)) << error;
    });
    const QString read = Path("read.dat"), json = Path("read.json"), back = Path("back.dat");
    ASSERT_EQ(Cli({"read", "--port", "COM1", "--quiet", "-o", read}).exitCode, 0);
    module.stop();
    ASSERT_EQ(Cli({"export", "--quiet", read, "-o", json}).exitCode, 0);
    const QString text = QString::fromUtf8(ReadAll(json));
    EXPECT_TRUE(text.contains("\"model\": {\"name\":\"Varnet GSM\",\"type\":74}")) << "the read's note names the model";
    EXPECT_TRUE(text.contains("\"version\": \"8.4\""));
    ASSERT_EQ(Cli({"import", "--quiet", json, "-o", back}).exitCode, 0);
    EXPECT_EQ(ReadAll(back), ReadAll(read));
    EXPECT_FALSE(QFile::permissions(back) &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
    EXPECT_TRUE(ReadAll(back + ".module").contains("type=74"));
}

TEST_F(TextCli, RefusalsEndWithTwoAndWriteNothing) {
    const QString json = Path("ok.json");
    ASSERT_EQ(Cli({"export", "--quiet", Preset(72), "-o", json}).exitCode, 0);
    QFile bad(Path("bad.json"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(ReadAll(json).replace("\"formatVersion\": 1", "\"formatVersion\": 1, \"extra\": true"));
    bad.close();
    struct Case {
        QStringList args;
        QString output;
        const char* message;
    };
    const Case cases[] = {
        {{"import", Path("bad.json"), "-o", Path("x.dat")}, Path("x.dat"), "extra: unknown key"},
        {{"import", Path("missing.json"), "-o", Path("y.dat")}, Path("y.dat"), "File not found"},
        {{"import", json}, {}, "-o FILE.dat is needed"},
        {{"export", Path("missing.dat"), "-o", Path("z.json")}, Path("z.json"), "File not found"},
        {{"sheet", Preset(72), "-o", Path("n.pdf")}, Path("n.pdf"), "--type"},
        {{"sheet", "--type", "74", Preset(74), "-o", Path("l.pdf"), "--lang", "fr"}, Path("l.pdf"), "--lang"},
        {{"diff", Preset(72), Path("missing.dat")}, {}, "File not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = Cli(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        if (!c.output.isEmpty()) {
            EXPECT_FALSE(QFile::exists(c.output));
        }
    }
}

TEST_F(TextCli, DiffSaysWhetherFilesDiffer) {
    const QString json = Path("a.json"), b = Path("b.dat");
    ASSERT_EQ(Cli({"export", "--quiet", "--type", "74", Preset(74), "-o", json}).exitCode, 0);
    QString text = QString::fromUtf8(ReadAll(json));
    text.replace("\"+36209876543\"", "\"+36209876500\"");
    QFile f(json);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
    f.close();
    ASSERT_EQ(Cli({"import", "--quiet", json, "-o", b}).exitCode, 0);

    EXPECT_EQ(Cli({"diff", Preset(74), Preset(74)}).exitCode, 0);
    const Result plain = Cli({"diff", Preset(74), b});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_TRUE(plain.out.contains("Phone numbers\tPhone number 2\t+36209876543\t+36209876500")) << plain.out.toStdString();
    const Result json2 = Cli({"diff", "--json", "--lang", "hu", Preset(74), b});
    EXPECT_EQ(json2.exitCode, 1);
    EXPECT_TRUE(json2.out.contains("\"field\": \"Telefonszám 2\"")) << json2.out.toStdString();
    EXPECT_TRUE(json2.out.contains("\"control\": \"MaskEdit2\""));
}

} // namespace
