// The catalogue as data: the table reads, the rows the product's texts are checked against, the
// setting's rules, and the texts that go to the module or into files fit Windows-1250.

#include "i18n/catalogue.h"
#include "k6config/cp1250.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace dalvex::i18n;

namespace {

std::string str(const QString& s) {
    return s.toStdString();
}

const CatalogueEntry& entry(const QString& window, const QString& control, EntryKind kind, int item = 0) {
    const CatalogueEntry* e = Catalogue::Builtin().Find(window, control, kind, item);
    if (!e) {
        ADD_FAILURE() << "no key " << str(window) << "." << str(control);
        static const CatalogueEntry none;
        return none;
    }
    return *e;
}

// Each row in the eight languages; nullptr is an empty cell.
struct TellingRow {
    const char* window;
    const char* control;
    EntryKind kind;
    int item;
    const char* text[kLanguageCount];
};

} // namespace

TEST(Catalogue, BuiltinTableLoadsWithEveryKind) {
    const auto& entries = Catalogue::Builtin().Entries();
    ASSERT_GT(entries.size(), 250u);
    std::set<EntryKind> kinds;
    for (const CatalogueEntry& e : entries) {
        kinds.insert(e.kind);
        // Hungarian is the design-time text: every key has it.
        EXPECT_TRUE(e.text[Hungarian].has_value()) << str(e.window) << "." << str(e.control);
        if (e.kind == EntryKind::Message || e.kind == EntryKind::String) {
            EXPECT_EQ(e.text[Hungarian], e.control);
        }
    }
    EXPECT_TRUE(kinds.count(EntryKind::Caption) && kinds.count(EntryKind::Item) &&
                kinds.count(EntryKind::Menu) && kinds.count(EntryKind::Message) &&
                kinds.count(EntryKind::String));
}

TEST(Catalogue, TellingRowsAreExact) {
    const TellingRow rows[] = {
        {"K6Form1",
         "TabSheet1",
         EntryKind::Caption,
         0,
         {"Telefonszámok", "Phone numbers", "Rufnummern", "Telefónne čísla", "Rubrica", "Telefonske številke",
          "Telefoonnummers", "Telefonní čísla"}},
        {"K6Form1",
         "TabSheet2",
         EntryKind::Caption,
         0,
         {"Be1", "In1", "In1", "Vstup 1", "IN1", "In1", "In1", "Vstup 1"}},
        {"K6Form1",
         "TabSheet10",
         EntryKind::Caption,
         0,
         {"Kimenet", "Output", "Ausgang", "Výstup", "OUT", "izhod", "Uitgang", "Výstup"}},
        {"K6Form1",
         "TabSheet22",
         EntryKind::Caption,
         0,
         {"Hangok", "Voice", "Voice", "Hlas", "Messaggi vocali", "Voice", "Voice", "Hlas"}},
        {"K6Form1",
         "TabSheet24",
         EntryKind::Caption,
         0,
         {"Távfelügyelet", "Monitoring station", "Monitoring station", "Pult PCO", "Contact-ID", nullptr,
          "Meldkamer", "Pult PCO"}},
        {"K6Form1",
         "BitBtn1",
         EntryKind::Caption,
         0,
         {"Elküldés", "Send", "Senden", "Odoslať", "Invia", "Pošlji", "Verzenden", "Odeslat"}},
        {"K6Form1",
         "ComboBox1",
         EntryKind::Item,
         0,
         {"00/ Nem használt", "00/ Not used", "00/ deaktiviert", "00 / Nepoužíva sa ", "00/ Non utilizzato",
          "00/ Ni v uporabi", "00/ Niet gebruikt", "00 / Nepoužívá se "}},
        {"K6Form1",
         "ComboBox1",
         EntryKind::Item,
         5,
         {"05/ Ki/Bekapcsolás", "05/ Switch On/Off", "05/ Modul ein/aus", "05 / Ovládací On / Off ",
          "05/ Chiave On/Off", "05/ Vklop / izklop", "05/ Schakel aan/uit", "05 / Ovládací On / Off "}},
        {"",
         "PIN kód hiba",
         EntryKind::Message,
         0,
         {"PIN kód hiba", "PIN CODE ERROR", "PIN Code Fehler", "Chyba PIN kódu", "ERRORE CODICE PIN",
          "NAPAKA PIN KODE", "PIN CODE FOUT", "Chyba PIN kódu"}},
        {"",
         "Nincs csatlakozva",
         EntryKind::Message,
         0,
         {"Nincs csatlakozva", "Not connected", "Not connected", "Nepripojený", "Non connesso", nullptr,
          "Niet verbonden", "Nepřipojený"}},
    };
    for (const TellingRow& r : rows) {
        const CatalogueEntry& e =
            entry(QString::fromUtf8(r.window), QString::fromUtf8(r.control), r.kind, r.item);
        for (int l = 0; l < kLanguageCount; ++l) {
            const auto text = e.Text(l, Pass::Activation);
            if (r.text[l])
                EXPECT_EQ(text, QString::fromUtf8(r.text[l])) << r.control << " language " << l;
            else
                EXPECT_FALSE(text.has_value())
                    << r.control << " language " << l << ": " << str(text.value_or(""));
        }
    }
}

TEST(Catalogue, StartPassHasItsOwnDutchColumnAndKeys) {
    const CatalogueEntry& tab = entry("K6Form1", "TabSheet1", EntryKind::Caption);
    EXPECT_EQ(tab.Text(Dutch, Pass::Start), "Phone numbers");
    EXPECT_EQ(tab.Text(Dutch, Pass::Activation), "Telefoonnummers");
    EXPECT_EQ(tab.Text(German, Pass::Start), tab.Text(German, Pass::Activation));
    const CatalogueEntry& wiring = entry("TK6Form4", "TabSheet1", EntryKind::Caption);
    EXPECT_TRUE(wiring.startOnly);
    EXPECT_FALSE(entry("K6Form1", "TabSheet1", EntryKind::Caption).startOnly);
}

TEST(Catalogue, LanguageSettingRules) {
    const struct {
        const char* setting;
        int activation;
        std::optional<int> start;
    } cases[] = {
        {"0", 0, 0},
        {"1", 1, 1},
        {"6", 6, 6},
        {"7", 7, 7},
        {"8", 1, std::nullopt},
        {"9", 1, std::nullopt},
        {"", 1, std::nullopt},
        {"-1", 1, std::nullopt},
        {"01", 1, std::nullopt},
        {" 2", 1, std::nullopt},
        {"x", 1, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ActivationLanguage(QString::fromLatin1(c.setting)), c.activation) << c.setting;
        EXPECT_EQ(StartLanguage(QString::fromLatin1(c.setting)), c.start) << c.setting;
    }
}

TEST(Catalogue, ParsesEscapesAndRejectsMalformedTables) {
    const QByteArray header = "window\tcontrol\tkind\titem\tpass\thu\ten\tde\tsk\tit\tsi\tnl\tcs\tnl_start\n";
    const auto good =
        Catalogue::Parse(header + "W\tMemo1\tmemo\t\t\tEgy\\nKettő\t\\e\t\t\t\t\t\t\tback\\\\slash\n"
                                  "\tSzöveg\tmessage\n");
    ASSERT_TRUE(good);
    ASSERT_EQ(good->Entries().size(), 2u);
    const CatalogueEntry& memo = good->Entries()[0];
    EXPECT_EQ(memo.text[Hungarian], "Egy\nKettő");
    EXPECT_EQ(memo.text[English], QString()); // an entry that only clears
    EXPECT_FALSE(memo.text[German].has_value());
    EXPECT_EQ(memo.startDutch, "back\\slash");
    EXPECT_FALSE(good->Message("Szöveg", English).has_value()); // a key without its language's entry
    EXPECT_FALSE(good->Message("Nincs", Hungarian).has_value());

    const char* const bad[] = {
        "W\tC\tcolour\t\t\tx\n",                              // unknown kind
        "W\tC\titem\tz\t\tx\n",                               // item not a number
        "W\tC\tcaption\t\tlater\tx\n",                        // unknown pass
        "\tC\tcaption\t\t\tx\n",                              // a control without its window
        "W\tC\tcaption\t\t\tx\nW\tC\tcaption\t\t\ty\n",       // repeated key
        "W\tC\tcaption\t\t\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\n", // too many cells
    };
    for (const char* b : bad) {
        QString error;
        EXPECT_FALSE(Catalogue::Parse(header + b, &error)) << b;
        EXPECT_TRUE(error.startsWith("line 2") || error.startsWith("line 3")) << str(error);
    }
}

// SMS texts and restore text go to the module, "Teszt SMS" is sent as an SMS, and the log export
// header line, event texts and network states are written into the file: all as Windows-1250 bytes.
TEST(Catalogue, TextsForTheModuleAndFilesFitWindows1250) {
    const std::set<QString> moduleCaptions = {
        "riasztas",   "riasztas2",  "riasztas3",   "riasztas4",  "riasztas5", "riasztas9", "riasztas10",
        "riasztas11", "riasztas13", "riasztas13b", "riasztas15", "Edit8",     "Edit17",    "Edit18"};
    const std::set<QString> moduleMessages = {
        "Teszt SMS", "Jelzés;Dátum;GSM térerő (0-31);Hálózat státusza;Megjegyzés/Paraméter;",
        // The event log's texts in the CSV export's rows.
        "Be1", "Be2", "Be3", "Be4", "Tamper", "Tápmonitor", "Jammer", "Bejövő hívás azonosítva",
        "Bejövő hívás elutasítva", "GSM leszakadt", "GSM feljelentkezve", "Zárás", "Nyitás", "Ismeretlen/",
        "Nincs csatlakozva", "Csatlakozva", "Roaming", "Fault:"};
    int checked = 0;
    for (const CatalogueEntry& e : Catalogue::Builtin().Entries()) {
        const bool toModule =
            (e.kind == EntryKind::Caption && e.window == "K6Form1" && moduleCaptions.count(e.control)) ||
            ((e.kind == EntryKind::Message || e.kind == EntryKind::String) &&
             moduleMessages.count(e.control));
        if (!toModule) continue;
        for (int l = 0; l < kLanguageCount; ++l)
            for (Pass p : {Pass::Start, Pass::Activation})
                if (const auto t = e.Text(l, p)) {
                    ++checked;
                    EXPECT_EQ(dalvex::k6config::FromCp1250(dalvex::k6config::ToCp1250(*t)), *t)
                        << str(e.control) << " language " << l << ": " << str(*t);
                }
    }
    EXPECT_GT(checked, 0);
}
