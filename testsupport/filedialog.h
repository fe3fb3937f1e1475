#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

// Answers the next file dialog that opens modally as the operator does: the name typed in its
// box (none: the name it offers kept), then Enter. `taken` is the path the dialog was left
// with, empty until one opened.
struct FileDialogAnswer
{
    explicit FileDialogAnswer(const QString &typed = {}) : typed(typed)
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            auto *name = dialog ? dialog->findChild<QLineEdit *>("fileNameEdit") : nullptr;
            if (!name)
                return;
            timer.stop();
            if (!this->typed.isEmpty())
                name->setText(this->typed);
            taken = dialog->directory().filePath(name->text());
            QTest::keyClick(name, Qt::Key_Return);
        });
        timer.start(10);
    }
    QString typed, taken;
    QTimer timer;
};
