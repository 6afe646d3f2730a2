// The user-interface layer: panels that grow with their window. Controls keep the geometry of
// their panel file; a control with an `anchor` property follows its panel's growth beyond the
// size in the file:
//   right   moves right by the panel's extra width      bottom  moves down by the extra height
//   width   grows by the extra width                    height  grows by the extra height
//   center  moves right by half the extra width
// (comma- or blank-separated, any combination). The panel is the control's parent widget, or,
// for a control on a tab page, the tab control (its pages grow exactly as it does). A child
// panel with an `anchor` follows its parent panel the same way. A caption follows the position
// of its control. A top-level panel with anchored controls can be resized, down to the size in
// its file.
#include "platform/ui_layer.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace uilayer {

namespace {

struct Anchor {
    QPointer<QWidget> widget;
    QRect base; // its geometry while the panel has its file's size
    bool right = false, center = false, bottom = false, width = false, height = false;
};

// The anchored widgets of one panel (or tab control) and the panel's size in its file; a child
// of that widget, so it lives as long as the panel does.
class AnchorSet : public QObject {
public:
    explicit AnchorSet(QWidget *ref) : QObject(ref), ref_(ref), design_(ref->size())
    {
        setObjectName(QStringLiteral("anchorSet"));
        ref->installEventFilter(this);
    }

    void add(const Anchor &a)
    {
        anchors_.push_back(a);
        place(anchors_.back());
    }

    void placeAll() const
    {
        for (const Anchor &a : anchors_)
            place(a);
    }

    Anchor *find(QWidget *w)
    {
        for (Anchor &a : anchors_)
            if (a.widget == w)
                return &a;
        return nullptr;
    }

    QSize extra() const { return ref_->size() - design_; }
    QSize design() const { return design_; }

    void place(const Anchor &a) const
    {
        if (!a.widget)
            return;
        const QSize d = extra();
        const QRect g = a.widget->geometry();
        const int x = a.right    ? a.base.x() + d.width()
                      : a.center ? a.base.x() + d.width() / 2
                                 : g.x();
        const int y = a.bottom ? a.base.y() + d.height() : g.y();
        const int w = a.width ? std::max(1, a.base.width() + d.width()) : g.width();
        const int h = a.height ? std::max(1, a.base.height() + d.height()) : g.height();
        const QRect target(x, y, w, h);
        if (target == g)
            return;
        a.widget->setGeometry(target);
        // A hidden widget hears of its new size only when it is shown: what follows it is
        // placed now, so that hidden display panels and tab pages are ready when they appear.
        if (!a.widget->isVisible())
            PlaceFollowers(a.widget);
    }

    bool eventFilter(QObject *obj, QEvent *ev) override
    {
        if (obj == ref_ && ev->type() == QEvent::Resize)
            placeAll();
        return false;
    }

    static void PlaceFollowers(QWidget *ref);

private:
    QWidget *ref_;
    QSize design_;
    std::vector<Anchor> anchors_;
};

void AnchorSet::PlaceFollowers(QWidget *ref)
{
    for (QObject *c : ref->children())
        if (auto *s = dynamic_cast<AnchorSet *>(c))
            s->placeAll();
}

// The widget whose growth `w` follows.
QWidget *ReferenceOf(QWidget *w)
{
    QWidget *parent = w->parentWidget();
    if (!parent)
        return nullptr;
    if (auto *stack = qobject_cast<QStackedWidget *>(parent->parentWidget()))
        if (auto *tab = qobject_cast<QTabWidget *>(stack->parentWidget()))
            return tab;
    return parent;
}

AnchorSet *SetOf(QWidget *ref, bool create)
{
    if (!ref)
        return nullptr;
    for (QObject *c : ref->children())
        if (auto *s = dynamic_cast<AnchorSet *>(c))
            return s;
    return create ? new AnchorSet(ref) : nullptr;
}

bool ParseAnchor(const QString &spec, Anchor *a)
{
    const QStringList words =
        spec.toLower().split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        if (word == QLatin1String("right"))
            a->right = true;
        else if (word == QLatin1String("center"))
            a->center = true;
        else if (word == QLatin1String("bottom"))
            a->bottom = true;
        else if (word == QLatin1String("width"))
            a->width = true;
        else if (word == QLatin1String("height"))
            a->height = true;
    }
    return a->right || a->center || a->bottom || a->width || a->height;
}

void Attach(QWidget *w, const Anchor &spec)
{
    QWidget *ref = ReferenceOf(w);
    if (!ref)
        return;
    Anchor a = spec;
    a.widget = w;
    a.base = w->geometry();
    SetOf(ref, true)->add(a);
}

} // namespace

void InstallAnchors(QWidget *root)
{
    std::vector<QWidget *> widgets{root};
    for (QWidget *c : root->findChildren<QWidget *>())
        widgets.push_back(c);
    std::vector<std::pair<QWidget *, Anchor>> anchored;
    for (QWidget *w : widgets) {
        const QVariant v = w->property("anchor");
        Anchor spec;
        if (v.isValid() && ParseAnchor(v.toString(), &spec)) {
            anchored.emplace_back(w, spec);
            SetOf(ReferenceOf(w), true); // every size in the file is taken before any changes
        }
    }
    for (const auto &[w, spec] : anchored)
        Attach(w, spec);
    // Captions keep their place beside their controls.
    for (QLabel *label : root->findChildren<QLabel *>()) {
        QWidget *buddy = label->buddy();
        if (!buddy || label->property("anchor").isValid())
            continue;
        const AnchorSet *set = SetOf(ReferenceOf(buddy), false);
        const Anchor *a = set ? const_cast<AnchorSet *>(set)->find(buddy) : nullptr;
        if (!a || !(a->right || a->center || a->bottom))
            continue;
        Anchor spec;
        spec.right = a->right;
        spec.center = a->center;
        spec.bottom = a->bottom;
        Attach(label, spec);
    }
    // A window whose controls follow its size may be resized, but not below its file's size.
    if (root->isWindow() && SetOf(root, false))
        root->setMinimumSize(SetOf(root, false)->design());
}

void AnchoredWidgetMoved(QWidget *w)
{
    AnchorSet *set = SetOf(ReferenceOf(w), false);
    Anchor *a = set ? set->find(w) : nullptr;
    if (!a)
        return;
    const QSize d = set->extra();
    const QRect g = w->geometry();
    const int x = a->right ? g.x() - d.width() : a->center ? g.x() - d.width() / 2 : g.x();
    a->base = QRect(x, a->bottom ? g.y() - d.height() : g.y(),
                    a->width ? g.width() - d.width() : g.width(),
                    a->height ? g.height() - d.height() : g.height());
}

} // namespace uilayer
