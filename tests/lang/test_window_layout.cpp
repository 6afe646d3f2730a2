// The main window as it is laid out on the screen, in both languages: every tab label and every
// text of a control fits where it stands, the window grows its display area with its size and
// keeps its controls in reach, the selected memory is marked, and the window has its icon.
#include "common/harness.h"

#include "app/header.h"
#include "app/language.h"
#include "app/startup.h"
#include "lang_files.h"
#include "platform/ui_testing.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <sstream>

namespace {

class WindowLayout : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        SetLanguageDirectory(SourceDir() + "/lang");
        main = PanelWidget(AppState.MainPanel);
        main->resize(kMainWidth, kMainHeight);
        main->show();
        // Every page that can be shown at once: the service page unlocked, the threshold page
        // there (digital output on, as it starts).
        SetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, 1);
        ShowChildPanelDisp(AppState.DataPanel);
        Pump(20);
    }
    void TearDown() override
    {
        SetLanguageDirectory({});
        AppTest::TearDown();
    }
    void UseLanguage(int language)
    {
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, language);
        SimulateCtrlEvent(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, EVENT_COMMIT);
        Pump(20);
    }
    QWidget *Ctrl(int panel, int control) const { return CtrlWidget(panel, control); }

    QWidget *main = nullptr;
};

// The texts under `root` that do not fit their controls, one line each.
std::string TextsThatDoNotFit(QWidget *root)
{
    std::ostringstream out;
    const auto check = [&](QWidget *w, const QString &text, int room, const QFont &font) {
        const QFontMetrics fm(font);
        for (const QString &line : text.split('\n')) {
            const int need = fm.horizontalAdvance(line);
            if (need > room)
                out << w->objectName().toStdString() << " \"" << line.toStdString() << "\" needs "
                    << need << " px, has " << room << "\n";
        }
    };
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (w->objectName().isEmpty() || !w->objectName().at(0).isUpper())
            continue;
        if (auto *label = qobject_cast<QLabel *>(w)) {
            if (!label->wordWrap() && label->pixmap().isNull())
                check(w, label->text(), label->contentsRect().width(), label->font());
        } else if (auto *b = qobject_cast<QPushButton *>(w)) {
            const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
            check(w, b->text(), b->width() - 2 * margin, b->font());
        } else if (auto *cb = qobject_cast<QComboBox *>(w)) {
            if (cb->isEditable())
                continue;
            QStyleOptionComboBox opt;
            opt.initFrom(cb);
            opt.frame = cb->hasFrame();
            const QRect field = cb->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                            QStyle::SC_ComboBoxEditField, cb);
            for (int i = 0; i < cb->count(); ++i)
                check(w, cb->itemText(i), field.width() - 2, cb->font());
        } else if (auto *t = qobject_cast<QTableWidget *>(w)) {
            for (int c = 0; c < t->columnCount(); ++c)
                if (QTableWidgetItem *item = t->horizontalHeaderItem(c))
                    check(w, item->text(), t->horizontalHeader()->sectionSize(c) - 8,
                          t->horizontalHeader()->font());
        }
    }
    return out.str();
}

// The tab labels of a tab control that are cut off or scrolled away, one line each.
std::string TabsThatDoNotFit(QTabWidget *tab)
{
    std::ostringstream out;
    QTabBar *bar = tab->tabBar();
    for (QToolButton *arrow : bar->findChildren<QToolButton *>())
        if (arrow->isVisible())
            out << tab->objectName().toStdString() << ": scroll arrows shown\n";
    const QFontMetrics fm(bar->font());
    for (int i = 0; i < bar->count(); ++i) {
        if (!bar->isTabVisible(i))
            continue;
        const QRect r = bar->tabRect(i);
        // The label, two pixels of padding and the border on each side.
        if (!bar->rect().contains(r) || r.width() < fm.horizontalAdvance(bar->tabText(i)) + 6)
            out << tab->objectName().toStdString() << " \"" << bar->tabText(i).toStdString()
                << "\" at " << r.x() << ".." << r.right() << " of " << bar->width() << "\n";
    }
    if (!out.str().empty()) // the whole row, to see where the room went
        for (int i = 0; i < bar->count(); ++i)
            if (bar->isTabVisible(i))
                out << "  \"" << bar->tabText(i).toStdString() << "\" " << bar->tabRect(i).width()
                    << " px, text " << fm.horizontalAdvance(bar->tabText(i)) << "\n";
    return out.str();
}

} // namespace

TEST_F(WindowLayout, EveryTabLabelFitsWithoutScrollingInBothLanguages)
{
    auto *mainTab = qobject_cast<QTabWidget *>(Ctrl(AppState.MainPanel, MAINP_TAB_MAIN));
    auto *dataTab = qobject_cast<QTabWidget *>(Ctrl(AppState.DataPanel, DATAP_TAB_DATA));
    ASSERT_TRUE(mainTab && dataTab);
    for (int language : {1, 0, 1}) {
        UseLanguage(language);
        for (int page : {kPageParam, kPageService, kPageConnect}) {
            mainTab->setCurrentIndex(page); // the selected tab is drawn larger
            Pump(10);
            EXPECT_EQ(TabsThatDoNotFit(mainTab), "") << "language " << language;
        }
        EXPECT_EQ(TabsThatDoNotFit(dataTab), "") << "language " << language;
    }
}

TEST_F(WindowLayout, EveryTextFitsItsControlInBothLanguages)
{
    for (int language : {0, 1}) {
        UseLanguage(language);
        EXPECT_EQ(TextsThatDoNotFit(main), "") << "language " << language;
    }
}

TEST_F(WindowLayout, TheDisplayAreaGrowsWithTheWindowAndRightDoubleClickRestoresIt)
{
    QWidget *data = PanelWidget(AppState.DataPanel), *scope = PanelWidget(AppState.ScopePanel);
    QWidget *chart = Ctrl(AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA);
    QWidget *analog = Ctrl(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE);
    QWidget *digital = Ctrl(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE_DIGITAL);
    QWidget *close = Ctrl(AppState.ScopePanel, SCOPEP_BUTTON_CLOSE);
    QWidget *header = Ctrl(AppState.MainPanel, MAINP_DECORATION_HEADER);
    QWidget *send = Ctrl(AppState.MainPanel, MAINP_BUTTON_SEND);
    QWidget *go = Ctrl(AppState.MainPanel, MAINP_BUTTON_GO);
    const QRect chart0 = chart->geometry(), analog0 = analog->geometry(),
                digital0 = digital->geometry(), close0 = close->geometry(),
                send0 = send->geometry(), go0 = go->geometry(), data0 = data->geometry();

    main->resize(1600, 1000);
    Pump(20);
    const int dx = 1600 - kMainWidth, dy = 1000 - kMainHeight;
    EXPECT_EQ(data->geometry(), data0.adjusted(0, 0, dx, dy));
    EXPECT_EQ(scope->size(), data->size()); // every display panel fills the display area
    EXPECT_EQ(data->geometry().right(), 1600 - 1 - (kMainWidth - 1 - data0.right()));
    EXPECT_EQ(header->width(), 1600);
    EXPECT_EQ(send->geometry(), send0.translated(0, dy));
    EXPECT_EQ(go->geometry(), go0.translated(0, dy));
    // Charts take the room: the strip chart on a tab page of the data panel too; the scope's
    // analog plot grows, the digital lanes below it keep their height.
    EXPECT_EQ(chart->size(), chart0.size() + QSize(dx, dy));
    EXPECT_EQ(analog->geometry(), analog0.adjusted(0, 0, dx, dy));
    EXPECT_EQ(digital->geometry(), digital0.adjusted(0, dy, dx, dy));
    EXPECT_EQ(close->geometry(), close0.translated(dx, 0));

    // Smaller than the file's size the window does not go: nothing is hidden.
    main->resize(800, 600);
    Pump(20);
    EXPECT_GE(main->width(), kMainWidth);
    EXPECT_GE(main->height(), kMainHeight);
    for (QWidget *w : {send, go})
        EXPECT_TRUE(main->rect().contains(w->geometry())) << w->objectName().toStdString();

    main->resize(1300, 900);
    QTest::mouseDClick(main, Qt::RightButton, {}, QPoint(700, 30));
    Pump(20);
    EXPECT_EQ(main->size(), QSize(kMainWidth, kMainHeight));
    EXPECT_EQ(data->geometry(), data0);
    EXPECT_EQ(chart->geometry(), chart0);
    EXPECT_EQ(digital->geometry(), digital0);
    EXPECT_EQ(send->geometry(), send0);

    // The header strip and its logo are where an operator double-clicks.
    ShowLogo();
    for (QWidget *w : {header, Ctrl(AppState.MainPanel, MAINP_PICTURE_LOGO)}) {
        main->resize(1300, 900);
        Pump(20);
        QTest::mouseDClick(w, Qt::RightButton, {}, QPoint(5, 5));
        Pump(20);
        EXPECT_EQ(main->size(), QSize(kMainWidth, kMainHeight)) << w->objectName().toStdString();
    }
}

TEST_F(WindowLayout, AControlMovedByTheProgramKeepsItsPlaceWhenTheWindowGrows)
{
    SetCtrlAttribute(AppState.ScopePanel, SCOPEP_BUTTON_CLOSE, ATTR_LEFT, 500);
    main->resize(kMainWidth + 100, kMainHeight);
    Pump(20);
    int left = 0;
    GetCtrlAttribute(AppState.ScopePanel, SCOPEP_BUTTON_CLOSE, ATTR_LEFT, &left);
    EXPECT_EQ(left, 600);
    main->resize(kMainWidth, kMainHeight);
    Pump(20);
    GetCtrlAttribute(AppState.ScopePanel, SCOPEP_BUTTON_CLOSE, ATTR_LEFT, &left);
    EXPECT_EQ(left, 500);
}

TEST_F(WindowLayout, TheSelectedMemoryStandsOutAndEveryMemoryButtonIsNamedByItsLabel)
{
    const int buttons[] = {MAINP_BUTTON_RAM, MAINP_BUTTON_EEPROM, MAINP_BUTTON_FILE};
    // The mean colour of a button as drawn.
    const auto mean = [](QWidget *w) {
        const QImage img = w->grab().toImage();
        double r = 0, g = 0, b = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                r += c.red();
                g += c.green();
                b += c.blue();
            }
        const double n = double(img.width()) * img.height();
        return QColor(int(r / n), int(g / n), int(b / n));
    };
    for (int language : {1, 0}) {
        UseLanguage(language);
        for (int selected : buttons) {
            QTest::mouseClick(Ctrl(AppState.MainPanel, selected), Qt::LeftButton);
            Pump(10);
            const QColor on = mean(Ctrl(AppState.MainPanel, selected));
            for (int other : buttons) {
                auto *b = qobject_cast<QAbstractButton *>(Ctrl(AppState.MainPanel, other));
                QAccessibleInterface *a = QAccessible::queryAccessibleInterface(b);
                ASSERT_NE(a, nullptr);
                EXPECT_EQ(a->text(QAccessible::Name), b->text());
                if (other == selected)
                    continue;
                // Far apart in lightness, not a shade of grey apart.
                const QColor off = mean(b);
                EXPECT_GT(off.lightness() - on.lightness(), 60)
                    << b->text().toStdString() << " beside the selected one";
            }
        }
    }
}

TEST_F(WindowLayout, TheWindowCarriesTheProgramsIcon)
{
    const QIcon icon = main->windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_GE(icon.actualSize(QSize(256, 256)).width(), 128);
    EXPECT_FALSE(icon.pixmap(48, 48).isNull());
}
