// What the operator expects of a desktop window: Alt+letter and the standard keys, "Open Recent"
// and the file in the title, a question before a save could do harm, icons, tool windows, and
// fields a screen reader can name.
#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "app/info_page.h"
#include "app/program_icon.h"
#include "app/secondary_windows.h"
#include "app/traffic_window.h"
#include "editors/projector_setup_page.h"
#include "editors/field_controls.h"
#include "editors/radio_group.h"
#include "file_bytes.h"
#include "platform/gui/mnemonics.h"
#include "platform/recent_files.h"
#include "settings/config_file.h"
#include "settings/numeric_field_table.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

class DesktopHabitsTest : public WindowTest {
protected:
    void showActive()
    {
        op.answer(false);  // no search
        showAndSettle();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        op.clear();
    }
    QMenu* menu(const char* name) const
    {
        QAction* a = form->menuItem(QString::fromLatin1(name));
        return a ? a->menu() : nullptr;
    }
    QTemporaryDir dir;
};

// Every menu of the tree, the menu bar first.
void CollectMenus(const QList<QAction*>& actions, QList<QList<QAction*>>& out)
{
    out << actions;
    for (QAction* a : actions)
        if (a->menu()) CollectMenus(a->menu()->actions(), out);
}

TEST_F(DesktopHabitsTest, EveryMenuItemAndButtonHasAMnemonicOfItsOwn)
{
    QList<QList<QAction*>> menus;
    CollectMenus(form->menuBar()->actions(), menus);
    ASSERT_GT(menus.size(), 6);
    for (const QList<QAction*>& items : menus) {
        QHash<QChar, QString> used;
        for (QAction* a : items) {
            if (a->isSeparator()) continue;
            const QChar m = MnemonicOf(a->text());
            // The table's items all have one; the serial devices listed by the system may not.
            if (form->menuItem(a->objectName()) == a) {
                EXPECT_FALSE(m.isNull()) << a->text().toStdString();
            }
            if (m.isNull()) continue;
            EXPECT_FALSE(used.contains(m)) << a->text().toStdString() << " and " << used.value(m).toStdString();
            used.insert(m, a->text());
        }
    }
    // The captions show as before.
    EXPECT_EQ(ShownText(form->menuItem("File1")->text()), "File");
    EXPECT_EQ(ShownText(form->menuItem("SearchCOM1andCOM21")->text()), "Search (COM 1 & COM 2)");
    EXPECT_EQ(ShownText(form->menuItem("SendCurrentSettingstoTornels1")->text()), "Send Current Settings to Tornel(s)");

    // Buttons: one letter each on a page, none that the menu bar uses.
    QSet<QChar> barLetters;
    for (QAction* a : form->menuBar()->actions()) barLetters.insert(MnemonicOf(a->text()));
    int buttons = 0;
    for (int i = 0; i < form->pages()->count(); ++i) {
        QSet<QChar> used = barLetters;
        for (QPushButton* b : form->pages()->widget(i)->findChildren<QPushButton*>()) {
            const QChar m = MnemonicOf(b->text());
            EXPECT_FALSE(m.isNull()) << b->objectName().toStdString();
            EXPECT_FALSE(used.contains(m)) << b->objectName().toStdString() << " " << b->text().toStdString();
            used.insert(m);
            ++buttons;
        }
    }
    EXPECT_GT(buttons, 10);
    EXPECT_EQ(ShownText(find<QPushButton>("ResetButton")->text()), "Reset Tornel(s)");
    EXPECT_EQ(ShownText(find<QPushButton>("SystemSaveButton")->text()), "System Save Tornel(s)");
}

TEST(Mnemonics, ALetterIsChosenOnceAndAmpersandsStayShown)
{
    struct Case {
        QString shown;
        QSet<QChar> taken;
        QString expected;
    } cases[] = {
        {"Reset Config", {}, "&Reset Config"},
        {"Reset Config", {'R'}, "Reset &Config"},
        {"Save As...", {'S', 'A'}, "Sa&ve As..."},
        {"R & D", {'R', 'D'}, "R && D"},  // nothing left: shown unchanged
        {"Tom & Jerry", {'T'}, "Tom && &Jerry"},
    };
    for (const Case& c : cases) {
        QSet<QChar> taken = c.taken;
        const QString text = WithMnemonic(c.shown, taken);
        EXPECT_EQ(text, c.expected);
        EXPECT_EQ(ShownText(text), c.shown);
    }
}

TEST_F(DesktopHabitsTest, AltFOpensTheFileMenuAndTheStandardKeysRunTheirItems)
{
    showActive();
    QTest::keyClick(form.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(RunUntil([&] { return menu("File1")->isVisible(); }, 2000));
    QTest::keyClick(menu("File1"), Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(), Qt::Key_Escape);
    EXPECT_TRUE(RunUntil([&] { return !menu("File1")->isVisible(); }, 2000));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    int opened = 0, saved = 0;
    form->configFiles().OpenDialog1 = [&] { ++opened; return QString(); };
    form->configFiles().SaveDialog1 = [&] { ++saved; return QString(); };
    op.defaultAnswer = false;  // "No" to the exit question and to saving empty settings
    struct Case {
        const char* item;
        QKeySequence key;
        std::function<bool()> ran;
    } cases[] = {
        {"OpenConfigurationFile1", QKeySequence(Qt::CTRL | Qt::Key_O), [&] { return opened == 1; }},
        {"SaveConfigurationtoFile1", QKeySequence(Qt::CTRL | Qt::Key_S),
         [&] { return op.questions().size() == 1 && op.questions()[0] == kSaveEmptyQuestion && saved == 0; }},
        {"Exit1", QKeySequence(Qt::CTRL | Qt::Key_Q),
         [&] { return op.questions().size() == 1 && op.events.back().title == "Vorn - Kalvora :Confirm Exit"; }},
        {"HelpwithKalvoraSerialconnection1", QKeySequence(Qt::Key_F1),
         [&] { return FindNamed<QWidget>(form.get(), "TConnectionHelpForm") &&
                      FindNamed<QWidget>(form.get(), "TConnectionHelpForm")->isVisible(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        op.clear();
        EXPECT_EQ(form->menuItem(c.item)->shortcut(), c.key);
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::keySequence(form.get(), c.key);
        EXPECT_TRUE(RunUntil(c.ran, 2000));
    }
    EXPECT_TRUE(form->isVisible()) << "No to the exit question keeps the window";
}

TEST_F(DesktopHabitsTest, SecondaryWindowsAreToolWindowsWithTheIconAndCloseOnEscAndCtrlW)
{
    EXPECT_FALSE(ProgramIcon().pixmap(32, 32).isNull()) << "the built-in icon when none is installed";
    EXPECT_FALSE(form->windowIcon().isNull());
    struct Case {
        const char* what;
        std::function<QWidget*()> open;
        QKeySequence key;
    } cases[] = {
        {"traffic view, Esc", [&] { form->menuItem("TrafficView1")->trigger(); return static_cast<QWidget*>(form->trafficWindow()); },
         QKeySequence(Qt::Key_Escape)},
        {"traffic view, Ctrl+W", [&] { form->menuItem("TrafficView1")->trigger(); return static_cast<QWidget*>(form->trafficWindow()); },
         QKeySequence(Qt::CTRL | Qt::Key_W)},
        {"wall overview, Esc", [&] { find<QPushButton>("WallOverviewButton")->click(); return form->infoPage()->wallOverviewWindow(); },
         QKeySequence(Qt::Key_Escape)},
        {"wall overview, Ctrl+W", [&] { find<QPushButton>("WallOverviewButton")->click(); return form->infoPage()->wallOverviewWindow(); },
         QKeySequence(Qt::CTRL | Qt::Key_W)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A window of its own for each case: the one window the operator opens becomes active.
        form = std::make_unique<TKalvoraForm>(op);
        showActive();
        QWidget* w = c.open();
        ASSERT_TRUE(w->isVisible());
        EXPECT_EQ(w->windowType(), Qt::Tool);
        EXPECT_EQ(w->parentWidget(), form.get());
        EXPECT_FALSE(w->windowIcon().isNull());
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        // Where the operator's keys go: the control that has the focus.
        QWidget* focus = QApplication::focusWidget() && QApplication::focusWidget()->window() == w ? QApplication::focusWidget() : w;
        QTest::keySequence(focus, c.key);
        EXPECT_TRUE(RunUntil([&] { return !w->isVisible(); }, 2000))
            << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none");
        EXPECT_TRUE(form->isVisible());
    }
}

TEST(PlaceBeside, ToTheRightWhereThereIsRoomElseToTheLeftAndOnlyOnce)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget main, tool;
    main.resize(200, 100);
    tool.resize(150, 80);
    struct Case {
        QPoint mainAt;
        int toolX;
    } cases[] = {
        {area.topLeft() + QPoint(10, 20), area.left() + 10 + 200 + 8},
        {QPoint(area.right() - 205, area.top() + 20), area.right() - 205 - 8 - 150},
    };
    for (const Case& c : cases) {
        main.move(c.mainAt);
        tool.setProperty("kalvoraPlaced", QVariant());
        PlaceBeside(&tool, &main);
        EXPECT_EQ(tool.pos(), QPoint(c.toolX, c.mainAt.y()));
    }
    tool.move(area.topLeft());  // the operator put it elsewhere
    PlaceBeside(&tool, &main);
    EXPECT_EQ(tool.pos(), area.topLeft());
}

// A save before anything was read or loaded would write empty settings: the operator is asked
// first, and No writes nothing (not even the file dialog shows).
TEST_F(DesktopHabitsTest, SavingEmptySettingsAsksFirst)
{
    struct Case {
        const char* what;
        bool loaded;
        bool answer;
        bool asked;
        bool written;
    } cases[] = {
        {"nothing read, No", false, false, true, false},
        {"nothing read, Yes", false, true, true, true},
        {"a file loaded", true, false, false, true},
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form = std::make_unique<TKalvoraForm>(op);
        op.clear();
        form->settings().FileLoadedAvailable = c.loaded;
        form->settings().output(2, 3).BlackLevel = 77;
        const QString path = dir.filePath(QStringLiteral("wall%1.tnc").arg(++i));
        int dialogs = 0;
        form->configFiles().SaveDialog1 = [&] { ++dialogs; return path; };
        op.answer(c.answer);
        form->menuItem("SaveConfigurationtoFile1")->trigger();
        EXPECT_EQ(op.questions().size(), c.asked ? 1 : 0);
        if (c.asked) {
            EXPECT_EQ(op.questions()[0], kSaveEmptyQuestion);
            EXPECT_EQ(op.events.front().title, kTitleSaveEmpty);
        }
        EXPECT_EQ(dialogs, c.written ? 1 : 0);
        EXPECT_EQ(QFile::exists(path), c.written);
        if (c.written) {
            EXPECT_EQ(ReadAll(path), ConfigImage(form->settings()));
        }
    }
    // Replacing a file asks through the dialog's own question.
    EXPECT_FALSE(form->configFiles().MakeConfigFileDialog(true)->testOption(QFileDialog::DontConfirmOverwrite));
}

TEST_F(DesktopHabitsTest, OpenRecentTheLastFolderAndTheFileInTheTitle)
{
    // The settings file the COM choice shares, with lines of another program.
    const QString conf = dir.filePath("kalvora.conf");
    {
        QSettings other(conf, QSettings::IniFormat);
        other.setValue("ComPorts/COM1", "/dev/ttyUSB3");
        other.setValue("Other/key", "kept");
    }
    QDir().mkpath(dir.filePath("walls"));
    const QString a = dir.filePath("walls/hall.tnc"), b = dir.filePath("walls/foyer.tnc");
    form->setRecentFilesFile(conf);
    EXPECT_FALSE(form->menuItem("OpenRecent1")->isEnabled()) << "nothing used yet";
    showActive();
    EXPECT_EQ(form->windowTitle(), "Quennel - Kalvora");

    // Save to a, then to b: both listed, b first, the title names b, unmodified.
    form->settings().FileLoadedAvailable = true;
    form->settings().output(1, 2).BlackLevel = 12;
    for (const QString& path : {a, b}) {
        form->configFiles().SaveDialog1 = [path] { return path; };
        form->menuItem("SaveConfigurationtoFile1")->trigger();
    }
    ASSERT_EQ(form->recentFiles().files, (QStringList{b, a}));
    EXPECT_EQ(form->windowFilePath(), b);
    EXPECT_EQ(form->windowTitle(), "foyer.tnc[*] - Quennel - Kalvora");
    EXPECT_FALSE(form->isWindowModified());

    // An operator's click that changes the records (a test pattern, no link): the mark shows.
    form->pages()->setCurrentWidget(form->projectorPage());
    QRadioButton* white = form->projectorPage()->group(4)->findChildren<QRadioButton*>().at(5);
    QTest::mouseClick(white, Qt::LeftButton);
    EXPECT_TRUE(RunUntil([&] { return form->isWindowModified(); }, 2000));

    // Open Recent > a: the records are a's, the title a's, unmodified; a comes first.
    QMenu* recent = form->menuItem("OpenRecent1")->menu();
    ASSERT_EQ(recent->actions().size(), 4);  // the two files, a separator, "Clear List"
    EXPECT_EQ(recent->actions()[0]->text(), "&1 " + b);
    recent->actions()[1]->trigger();
    EXPECT_EQ(op.messages().last(), kMsgFileOpenSuccessful);
    EXPECT_EQ(ConfigImage(form->settings()), ReadAll(a));
    EXPECT_EQ(form->windowTitle(), "hall.tnc[*] - Quennel - Kalvora");
    EXPECT_FALSE(form->isWindowModified());
    EXPECT_EQ(form->recentFiles().files, (QStringList{a, b}));

    // The list and the folder are in the settings file, the other lines kept.
    {
        QSettings kept(conf, QSettings::IniFormat);
        EXPECT_EQ(kept.value("ComPorts/COM1").toString(), "/dev/ttyUSB3");
        EXPECT_EQ(kept.value("Other/key").toString(), "kept");
    }
    EXPECT_EQ(LoadRecentFiles(conf).files, (QStringList{a, b}));

    // The next start offers them, and its dialogs start in their folder.
    form = std::make_unique<TKalvoraForm>(op);
    form->setRecentFilesFile(conf);
    EXPECT_TRUE(form->menuItem("OpenRecent1")->isEnabled());
    EXPECT_EQ(form->menuItem("OpenRecent1")->menu()->actions().size(), 4);
    for (bool save : {true, false})
        EXPECT_EQ(QDir(form->configFiles().MakeConfigFileDialog(save)->directory()).absolutePath(), QDir(dir.filePath("walls")).absolutePath());

    // A file gone since: the open says so and the list drops it.
    QFile::remove(b);
    op.clear();
    form->menuItem("OpenRecent1")->menu()->actions()[1]->trigger();
    EXPECT_EQ(op.messages(), QStringList{kMsgUnableToOpen});
    EXPECT_EQ(form->recentFiles().files, QStringList{a});
    EXPECT_EQ(LoadRecentFiles(conf).files, QStringList{a});
    EXPECT_EQ(form->windowTitle(), "Quennel - Kalvora");

    // "Clear List" empties the menu and the settings file's list, the other lines kept.
    FindNamed<QAction>(form.get(), "OpenRecentClear")->trigger();
    EXPECT_TRUE(RunUntil([&] { return form->recentFiles().files.isEmpty(); }, 2000));
    EXPECT_FALSE(form->menuItem("OpenRecent1")->isEnabled());
    EXPECT_EQ(LoadRecentFiles(conf).files, QStringList{});
    EXPECT_EQ(QSettings(conf, QSettings::IniFormat).value("Other/key").toString(), "kept");
}

TEST_F(DesktopHabitsTest, EveryNumericFieldIsNamedByItsLabel)
{
    QSet<QString> names;
    int fields = 0;
    for (const NumericField& f : AllNumericFields()) {
        auto* edit = FindNamed<QLineEdit>(form.get(), ControlName(f.key));
        ASSERT_NE(edit, nullptr) << ControlName(f.key).toStdString();
        EXPECT_EQ(edit->accessibleName(), f.accessibleName);
        EXPECT_FALSE(names.contains(f.accessibleName)) << f.accessibleName.toStdString();
        names.insert(f.accessibleName);
        ++fields;
    }
    EXPECT_GT(fields, 60);
    struct Case {
        const char* edit;
        const char* name;
    } cases[] = {
        {"Black6Edit", "Screen 6 Black Level"},
        {"LHaloWidth6Edit", "Screen 6 Halo Width (L)"},
        {"HaloWidth1Edit", "Screen 1 Halo Width (R)"},
        {"HaloOffset8Edit", "Screen 8 Halo Offset (L)"},
        {"RGamma4Edit", "Screen 4 Edge Feathering Gamma (R)"},
        {"LeftGBrightnessEdit", "Green Brightness"},
        {"LeftOContrastEdit", "Overall Contrast"},
        {"SeamGain3Edit", "Seam Gain 3"},
    };
    for (const Case& c : cases) EXPECT_EQ(find<QLineEdit>(c.edit)->accessibleName(), c.name);
}

}  // namespace
}  // namespace kalvora::testing
