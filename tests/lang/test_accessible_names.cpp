// Every control an operator can use is found through the accessibility interface by the label
// the operator reads beside it or on it, in both languages: by its name, or for a ring by the
// caption it is labelled by.
#include "common/harness.h"

#include "app/appstate.h"
#include "app/language.h"
#include "platform/ui_testing.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>

namespace {

std::string SourceDir()
{
    return ORVANTE2_SOURCE_DIR;
}

QString Plain(QString text)
{
    return text.remove('&').simplified();
}

// The text the operator reads for `w`: a button's own text, else the label it belongs to.
QString VisibleLabel(QWidget *w)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return Plain(b->text());
    if (!w->parentWidget())
        return {};
    for (QLabel *l : w->parentWidget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        if (l->buddy() == w)
            return Plain(l->text());
    return {};
}

bool IsOperated(QWidget *w)
{
    if (qobject_cast<QLineEdit *>(w) &&
        (qobject_cast<QAbstractSpinBox *>(w->parentWidget()) ||
         qobject_cast<QComboBox *>(w->parentWidget())))
        return false; // the editor inside a field, not a control of its own
    return qobject_cast<QAbstractButton *>(w) || qobject_cast<QAbstractSpinBox *>(w) ||
           qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w) ||
           qobject_cast<QSlider *>(w);
}

class AccessibleNames : public AppTest, public testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        SetLanguageDirectory(SourceDir() + "/lang");
    }
    void TearDown() override
    {
        SetLanguageDirectory({});
        AppTest::TearDown();
    }
};

TEST_P(AccessibleNames, EveryControlIsNamedByItsLabel)
{
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, GetParam());
    InitLanguage();
    for (int panel : {AppState.MainPanel, AppState.DataPanel, AppState.GraphPanel,
                      AppState.ScopePanel, AppState.ConvPanel, AppState.PasswordPanel}) {
        QWidget *root = PanelWidget(panel);
        ASSERT_NE(root, nullptr);
        for (QWidget *w : root->findChildren<QWidget *>()) {
            if (!IsOperated(w) || w->objectName().isEmpty() ||
                w->objectName().startsWith("qt_"))
                continue;
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
            ASSERT_NE(a, nullptr);
            const QString label = VisibleLabel(w);
            QString name = Plain(a->text(QAccessible::Name));
            if (qobject_cast<QComboBox *>(w)) {
                // Qt on Linux names a ring by its current item and gives its caption through
                // the "labelled by" relation, which is where assistive technology looks.
                name.clear();
                for (const auto &[other, relation] : a->relations(QAccessible::Label))
                    name = Plain(other->text(QAccessible::Name));
            }
            auto *display = qobject_cast<QAbstractSpinBox *>(w);
            if (display && display->isReadOnly() && label.isEmpty())
                continue; // a part of a display with one caption for all (RECORD TIME d h m s)
            EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString() << " has no name";
            if (!label.isEmpty()) {
                EXPECT_EQ(name.toStdString(), label.toStdString()) << w->objectName().toStdString();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, AccessibleNames, testing::Values(0, 1),
                         [](const testing::TestParamInfo<int> &p) {
                             return p.param == 0 ? std::string("German") : std::string("English");
                         });

} // namespace
