// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/translations.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/compare_view.h"
#include "ui/keyboard.h"
#include "core/codec/codec.h"
#include "core/error_report.h"
#include "core/paths.h"
#include "core/picture.h"
#include "core/settings_store.h"
#include "scripted_dialogs.h"
#include "window_parts.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLibraryInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::testing;

// The same program runs twice: LUMIVEX_EXPECT_LANGUAGE=de under LANGUAGE=de LANG=de_DE.UTF-8, and
// empty under LANG=C, which must show exactly the English texts.

namespace {

QString expectedLanguage() { return qEnvironmentVariable("LUMIVEX_EXPECT_LANGUAGE"); }
bool german() { return expectedLanguage() == QLatin1String("de"); }
QString pick(const char *english, const char *deutsch) { return QString::fromUtf8(german() ? deutsch : english); }

struct Windows : WindowParts {
    std::unique_ptr<Form1> main;
    std::unique_ptr<Form2> results;
    Windows()
    {
        main = std::make_unique<Form1>(settings, dialogs);
        results = std::make_unique<Form2>(settings, dialogs);
    }
};

class Translations : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setInstalledDataFolder(QStringLiteral(LUMIVEX_BUILD_DIR));
        installed = installTranslations(QLocale::system());
    }
    static void TearDownTestSuite() { removeTranslations(); }
    static QString installed;
};
QString Translations::installed;

} // namespace

TEST_F(Translations, TheUsersLanguageIsChosenFromTheLocale)
{
    ASSERT_FALSE(QLocale::system().uiLanguages().isEmpty());
    EXPECT_EQ(installed, expectedLanguage()) << QLocale::system().uiLanguages().join(QLatin1Char(',')).toStdString();
    if (german()) {
        // Qt's own texts of its standard dialogs come along where Qt's translations are installed.
        if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm"))) {
            EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
        }
    } else {
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
    }
}

TEST_F(Translations, BothWindowsShowTheirTextsInTheUsersLanguage)
{
    Windows w;
    Form1 &f = *w.main;
    EXPECT_EQ(f.PushButton7->text(), pick("Add Image File(s)", "Bilddatei(en) hinzufügen"));
    EXPECT_EQ(f.PushButton8->text(), pick("Add All File(s) In Folder", "Ganzen Ordner hinzufügen"));
    EXPECT_EQ(f.PushButton1->text(), pick("Clear List", "Liste leeren"));
    EXPECT_EQ(f.PushButton3->text(), pick("Load Sample/Example Files", "Beispieldateien laden"));
    EXPECT_EQ(f.Frame2->title(), pick("Brighness", "Helligkeit"));
    EXPECT_EQ(f.Frame3->title(), pick("Contrast", "Kontrast"));
    EXPECT_EQ(f.Frame4->title(), pick("Softening", "Weichzeichnen"));
    EXPECT_EQ(f.Frame5->title(), pick("Sharpening", "Schärfen"));
    EXPECT_EQ(f.PushButton2->text(), pick("Start Adjusting Brightness", "Helligkeit anpassen"));
    EXPECT_EQ(f.PushButton4->text(), pick("Start Adjusting Contrast", "Kontrast anpassen"));
    EXPECT_EQ(f.PushButton5->text(), pick("Start Adjusting Softening", "Weichzeichnen"));
    EXPECT_EQ(f.PushButton6->text(), pick("Start Adjusting Sharpening", "Schärfen"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Lumivex"));

    Form2 &r = *w.results;
    EXPECT_EQ(r.Label2->text(), pick(" Before:", " Vorher:"));
    EXPECT_EQ(r.Label3->text(), pick(" After (Results):", " Nachher (Ergebnis):"));
    EXPECT_EQ(r.Frame1->title(), pick("Save Results To This Folder", "Ergebnisse in diesem Ordner speichern"));
    EXPECT_EQ(r.Frame2->title(), pick("Save Results As", "Speichern als"));
    EXPECT_EQ(r.Frame3->title(), pick("JPG Quality", "JPG-Qualität"));
    EXPECT_EQ(r.PushButton8->text(), pick("< Back", "< Zurück"));
    EXPECT_EQ(r.PushButton6->text(), pick("Save Results", "Ergebnisse speichern"));
    EXPECT_EQ(r.ListView1->headerItem()->text(0), pick("Preview", "Vorschau"));
    EXPECT_EQ(r.Option2->text(), QStringLiteral("JPG"));
    EXPECT_EQ(r.Option1->text(), QStringLiteral("BMP"));
}

TEST_F(Translations, BoxesDialogsAndReportsSpeakTheSameLanguage)
{
    Windows w;
    w.main->PushButton2_Click(); // an empty list
    ASSERT_EQ(w.dialogs.shown.size(), 1u);
    EXPECT_EQ(w.dialogs.shown[0].text, pick("Please add files first.", "Bitte zuerst Dateien hinzufügen."));

    // The file dialog's names are translated, its patterns are not.
    w.dialogs.fileAnswers.push_back({});
    w.main->PushButton7_Click();
    ASSERT_EQ(w.dialogs.fileDialogs.size(), 1u);
    const QStringList filter = w.dialogs.fileDialogs[0].text.split(QLatin1Char('|'));
    ASSERT_EQ(filter.size(), 6);
    EXPECT_EQ(filter[0], pick("All Pictures (*.bmp;*.jpg;*.gif;*.png;*.ico;*.wmf)", "Alle Bilder (*.bmp;*.jpg;*.gif;*.png;*.ico;*.wmf)"));
    EXPECT_EQ(filter[1], QStringLiteral("*.bmp;*.jpg;*.gif;*.png;*.ico;*.wmf"));
    EXPECT_TRUE(filter[2].startsWith(pick("Every Readable Picture (*.jpg;", "Alle lesbaren Bilder (*.jpg;"))) << filter[2].toStdString();
    EXPECT_EQ(filter[4], pick("All Files (*.*)", "Alle Dateien (*.*)"));
    EXPECT_EQ(filter[5], QStringLiteral("*.*"));
    EXPECT_EQ(w.dialogs.fileDialogs[0].caption,
              pick("Add File(s) - Hold Ctrl or Shift to select multiple files",
                   "Datei(en) hinzufügen - Strg oder Umschalt halten, um mehrere Dateien auszuwählen"));

    w.dialogs.inputs.push_back(QString()); // cancelled
    w.main->PushButton8_Click();
    ASSERT_EQ(w.dialogs.prompts.size(), 1u);
    EXPECT_EQ(w.dialogs.prompts[0].text,
              pick("Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)",
                   "Dateiendung der zu ladenden Dateien:\r\r(* für alle Dateien, txt für alle txt-Dateien, doc für alle doc-Dateien usw.)"));

    w.results->Text1->setText(w.dir.filePath(QStringLiteral("missing/")));
    w.dialogs.shown.clear();
    w.results->PushButton6_Click();
    ASSERT_EQ(w.dialogs.shown.size(), 1u);
    EXPECT_EQ(w.dialogs.shown[0].text, pick("Output folder does not exist.", "Der Ausgabeordner existiert nicht."));

    // A failure's reason and the report's frame, with the location line as support reads it.
    const QString missing = w.dir.filePath(QStringLiteral("gone.jpg"));
    const Outcome<QImage> decoded = decodePicture(missing);
    ASSERT_FALSE(decoded.ok()) << "a missing file decoded";
    EXPECT_EQ(decoded.failure().description(), pick("File not found: ", "Datei nicht gefunden: ") + missing);
    const QString report = errorReportText(handlerLocation("Form1", "PushButton7_Click"), 108, QStringLiteral("x"));
    EXPECT_EQ(report, QStringLiteral("x\r\nin Velmora12/4/2014.Form1.PushButton7_Click at line 108\r\r") +
                          pick("Please email screenshot of this message to ",
                               "Bitte senden Sie ein Bildschirmfoto dieser Meldung per E-Mail an ") +
                          supportAddress());
}

TEST_F(Translations, TheCompareViewAndTheKeysBoxSpeakTheSameLanguage)
{
    Windows w;
    CompareView view(w.settings);
    QStringList buttons;
    for (const QToolButton *button : view.findChildren<QToolButton *>())
        buttons << button->text();
    EXPECT_EQ(buttons.join(QLatin1Char('|')), pick("\u25C0 Previous|Next \u25B6|Fit|100 %|\u2212|+|Split|Full screen",
                                                   "\u25C0 Zur\u00FCck|Weiter \u25B6|Einpassen|100 %|\u2212|+|Geteilt|Vollbild"));
    // The key itself is named by Qt, in Qt's own translation.
    EXPECT_TRUE(view.nextAction->toolTip().startsWith(pick("Next picture (", "N\u00E4chstes Bild ("))) << view.nextAction->toolTip().toStdString();
    EXPECT_EQ(view.splitAction->toolTip(), pick("Split view (S); move the divider with [ and ]",
                                                "Geteilte Ansicht (S); Trennlinie mit [ und ] verschieben"));
    EXPECT_EQ(view.canvas()->accessibleName(), pick("Before and After", "Vorher und Nachher"));
    EXPECT_EQ(view.windowTitle(), pick("Compare \u2013 Lumivex", "Vergleich \u2013 Lumivex"));

    const QString keys = keysHelpText();
    EXPECT_TRUE(keys.startsWith(pick("Keys\nTab, Shift+Tab: next or previous control\n",
                                     "Tasten\nTab, Shift+Tab: n\u00E4chstes oder vorheriges Element\n")))
        << keys.toStdString();
    EXPECT_TRUE(keys.contains(pick("\nCtrl+S: Save Results\n", "\nCtrl+S: Ergebnisse speichern\n"))) << keys.toStdString();
    // The compare view's keys are in the same box, since the view is opened from both windows.
    EXPECT_TRUE(keys.contains(pick("\nS: split view; [ and ]: move the divider\n",
                                   "\nS: geteilte Ansicht; [ und ]: Trennlinie verschieben\n"))) << keys.toStdString();
    EXPECT_TRUE(keys.contains(pick("\nF11: full screen; Esc, Ctrl+W: leave full screen, else close the view\n",
                                   "\nF11: Vollbild; Esc, Ctrl+W: Vollbild verlassen, sonst die Ansicht schlie\u00DFen\n")))
        << keys.toStdString();
}

// Every shipped translation keeps its source's placeholders, line breaks, leading space and
// accelerators; a lost %1 would drop the file a message is about.
TEST(TranslationSources, EveryTranslationKeepsWhatItsSourceCarries)
{
    const QDir folder(QStringLiteral(LUMIVEX_TS_DIR));
    const QStringList files = folder.entryList({QStringLiteral("lumivex_*.ts")}, QDir::Files);
    ASSERT_GE(files.size(), 3) << "German, French and Spanish are shipped";
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    for (const QString &name : files) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        QXmlStreamReader xml(&file);
        QString source, context;
        int finished = 0;
        auto carried = [&](const QString &text) {
            QStringList marks;
            for (auto it = placeholder.globalMatch(text); it.hasNext();)
                marks << it.next().captured();
            marks.sort();
            return QStringList{marks.join(QLatin1Char(',')), QString::number(text.count(QLatin1Char('\r'))),
                               QString::number(text.count(QLatin1Char('\n'))),
                               QString::number(text.count(QLatin1Char('&'))), text.startsWith(QLatin1Char(' ')) ? QStringLiteral("lead") : QString()};
        };
        // The byte elements stand for CRs inside the texts.
        auto readText = [&xml] {
            QString text;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isCharacters())
                    text += xml.text();
                else if (xml.isStartElement() && xml.name() == QLatin1String("byte"))
                    text += QChar(xml.attributes().value(QLatin1String("value")).toString().toInt(nullptr, 16));
                else if (xml.isEndElement() && xml.name() != QLatin1String("byte"))
                    break;
            }
            return text;
        };
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (xml.name() == QLatin1String("source")) {
                source = readText();
            } else if (xml.name() == QLatin1String("translation")) {
                const bool unfinished = xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
                const QString translation = readText();
                if (unfinished || translation.isEmpty())
                    continue; // shown in English until translated
                ++finished;
                EXPECT_EQ(carried(translation), carried(source))
                    << name.toStdString() << " " << context.toStdString() << ": " << source.toStdString() << " -> "
                    << translation.toStdString();
            }
        }
        EXPECT_FALSE(xml.hasError()) << name.toStdString() << ": " << xml.errorString().toStdString();
        EXPECT_GT(finished, 50) << name.toStdString();
    }
}
