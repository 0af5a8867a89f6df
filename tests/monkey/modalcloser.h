#pragma once

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

// Closes every modal widget that comes up while it lives, so that a test can
// open a modal dialog from the thread that has to close it. A dialog is
// rejected, any other widget closed; one that is still the active modal
// widget at the next turn of the event loop is hidden, which ends a dialog's
// exec() whatever the dialog does with reject(). It never waits for anything,
// so a test using it cannot hang on a modal loop.
class ModalCloser
{
public:
    struct Seen {
        QString className;
        bool modal = false;
        QWidget *parent = nullptr;
    };

    ModalCloser()
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] { closeActiveModal(); });
        timer.start();
    }

    // What it closed, in order.
    QList<Seen> seen;

private:
    void closeActiveModal()
    {
        QWidget *top = QApplication::activeModalWidget();
        if (!top)
            return;
        if (top == lastClosed) {
            top->hide();
            return;
        }
        lastClosed = top;
        seen.append({ QString::fromLatin1(top->metaObject()->className()), top->isModal(),
                      top->parentWidget() });
        if (auto *dialog = qobject_cast<QDialog *>(top))
            dialog->reject();
        else
            top->close();
    }

    QTimer timer;
    QPointer<QWidget> lastClosed;
};
