#pragma once
// How the core speaks to the person at the controls. The GUI answers with message boxes,
// the command-line tool on the terminal, the tests with a scripted recorder.

#include <QString>

namespace kalvora {

inline const QString kApplicationTitle = QStringLiteral("Vorn - Kalvora");

class Operator {
public:
    enum class Answer { Yes, No, Ok, Cancel, Retry };

    virtual ~Operator() = default;

    // A plain message box; the title defaults to the application title.
    virtual void showMessage(const QString& text, const QString& title = kApplicationTitle) = 0;
    // Yes/No question; true for Yes.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    // OK/Cancel question; true for OK.
    virtual bool askOkCancel(const QString& title, const QString& text) = 0;
    // Retry/Cancel question; true for Retry.
    virtual bool askRetryCancel(const QString& title, const QString& text) = 0;
    // The single text of the main window's status bar.
    virtual void setStatus(const QString& text) = 0;
    // The busy (hourglass) cursor while a unit operation runs.
    virtual void setBusy(bool busy) = 0;
};

}  // namespace kalvora
