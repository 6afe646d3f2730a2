// The user-interface layer: message, confirmation, two-button and file popups, each answered by
// the scripted responder when one is installed.
#include "platform/ui_layer.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <cstring>

using namespace uilayer;

// ---- Popups ------------------------------------------------------------------------------------

void SetPopupResponder(PopupResponder responder)
{
    L().responder = std::move(responder);
}

void SetPopupsDismissed(int on)
{
    L().dismissingPopups = on != 0;
    if (!on)
        return;
    // Each open dialog runs a loop of its own that holds the program until it ends; rejecting
    // it lets its caller carry on with the cancelled answer.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible())
            dialog->reject();
    for (auto &[number, panel] : L().panels)
        if (panel.popup)
            RemovePopup(number);
}

int PopupsDismissed() { return L().dismissingPopups ? 1 : 0; }

int MessagePopup(const char *title, const char *text)
{
    PopupAnswer a;
    if (AskResponder(Request(PopupRequest::kMessage, title, text), &a))
        return 0;
    QMessageBox box(QMessageBox::Information, Q(title), Q(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
    return 0;
}

int ConfirmPopup(const char *title, const char *text)
{
    PopupAnswer a;
    if (AskResponder(Request(PopupRequest::kConfirm, title, text), &a))
        return a.result ? 1 : 0;
    QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

int GenericMessagePopup(const char *title, const char *text, const char *button1,
                        const char *button2)
{
    PopupRequest req = Request(PopupRequest::kGeneric, title, text);
    req.button1 = button1;
    req.button2 = button2;
    PopupAnswer a;
    if (AskResponder(req, &a))
        return a.result == GENERIC_MSG_BUTTON_2 ? GENERIC_MSG_BUTTON_2 : GENERIC_MSG_BUTTON_1;
    QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    QPushButton *b1 = box.addButton(Q(button1), QMessageBox::AcceptRole);
    box.addButton(Q(button2), QMessageBox::RejectRole);
    box.setDefaultButton(b1);
    box.exec();
    return box.clickedButton() == b1 ? GENERIC_MSG_BUTTON_1 : GENERIC_MSG_BUTTON_2;
}

int FileSelectPopup(const char *directory, const char *defaultName, const char *filter,
                    const char *title, int buttonMode, char *path, int size)
{
    if (size > 0)
        path[0] = '\0';
    PopupRequest req = Request(PopupRequest::kFileSelect, title, "");
    req.directory = directory;
    req.defaultName = defaultName;
    req.filter = filter;
    req.buttonMode = buttonMode;
    PopupAnswer a;
    QString chosen;
    if (AskResponder(req, &a)) {
        if (a.result == VAL_NO_FILE_SELECTED || a.path.empty())
            return VAL_NO_FILE_SELECTED;
        chosen = QString::fromStdString(a.path);
    } else {
        const QString start = QDir(Q(directory)).filePath(Q(defaultName));
        // "*.a;*.b" (or "Name (*.a);Other (*.b)") offers each as a file type of its own.
        QStringList types;
        for (const QString &type : Q(filter).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            types << type.trimmed();
        const QString filters = types.join(QStringLiteral(";;")) + QStringLiteral(";;*");
        QString selected;
        chosen = buttonMode == VAL_SAVE_BUTTON
                     ? QFileDialog::getSaveFileName(QApplication::activeWindow(), Q(title), start,
                                                    filters, &selected,
                                                    QFileDialog::DontConfirmOverwrite)
                     : QFileDialog::getOpenFileName(QApplication::activeWindow(), Q(title), start,
                                                    filters);
        if (chosen.isEmpty())
            return VAL_NO_FILE_SELECTED;
        // Where the type chosen decides what is written, a name typed without an ending gets
        // the chosen type's.
        const qsizetype open = selected.indexOf(QLatin1Char('('));
        const QString pattern =
            open < 0 ? selected
                     : selected.mid(open + 1, selected.indexOf(QLatin1Char(')'), open) - open - 1);
        if (buttonMode == VAL_SAVE_BUTTON && types.size() > 1 &&
            QFileInfo(chosen).suffix().isEmpty() && pattern.startsWith(QLatin1String("*.")) &&
            pattern.indexOf(QLatin1Char('*'), 1) < 0 && !pattern.contains(QLatin1Char(' ')))
            chosen += pattern.mid(1);
    }
    const QByteArray bytes = chosen.toUtf8();
    if (bytes.size() >= size)
        return VAL_NO_FILE_SELECTED; // a path that does not fit is never used cut short
    std::memcpy(path, bytes.constData(), size_t(bytes.size()) + 1);
    return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}
