#pragma once
// The operator of the tests: answers questions from a queue and records everything it is
// shown, so tests can check message texts verbatim.

#include <QString>
#include <QStringList>
#include <deque>

#include "platform/operator.h"

namespace kalvora::testing {

class ScriptedOperator : public Operator {
public:
    struct Event {
        enum Kind { Message, YesNo, OkCancel, RetryCancel, Status, Busy } kind;
        QString title;
        QString text;
        bool answer = false;  // the answer given to a question; the state for Busy
    };

    // Queue answers for the next questions (true = Yes / OK / Retry). When the queue is empty
    // a question gets defaultAnswer.
    void answer(bool a) { answers_.push_back(a); }
    void answerAll(std::initializer_list<bool> as) { answers_.insert(answers_.end(), as); }
    bool defaultAnswer = false;

    void showMessage(const QString& text, const QString& title = kApplicationTitle) override
    {
        events.push_back({Event::Message, title, text});
    }
    bool askYesNo(const QString& title, const QString& text) override { return ask(Event::YesNo, title, text); }
    bool askOkCancel(const QString& title, const QString& text) override { return ask(Event::OkCancel, title, text); }
    bool askRetryCancel(const QString& title, const QString& text) override
    {
        return ask(Event::RetryCancel, title, text);
    }
    void setStatus(const QString& text) override
    {
        status = text;
        events.push_back({Event::Status, {}, text});
    }
    void setBusy(bool busy) override
    {
        this->busy = busy;
        events.push_back({Event::Busy, {}, {}, busy});
    }

    QStringList messages() const { return texts(Event::Message); }
    QStringList questions() const
    {
        QStringList out;
        for (const auto& e : events)
            if (e.kind == Event::YesNo || e.kind == Event::OkCancel || e.kind == Event::RetryCancel)
                out << e.text;
        return out;
    }
    QStringList statuses() const { return texts(Event::Status); }
    void clear() { events.clear(); }

    std::deque<Event> events;
    QString status;
    bool busy = false;

private:
    bool ask(Event::Kind kind, const QString& title, const QString& text)
    {
        bool a = defaultAnswer;
        if (!answers_.empty()) {
            a = answers_.front();
            answers_.pop_front();
        }
        events.push_back({kind, title, text, a});
        return a;
    }
    QStringList texts(Event::Kind kind) const
    {
        QStringList out;
        for (const auto& e : events)
            if (e.kind == kind) out << e.text;
        return out;
    }
    std::deque<bool> answers_;
};

}  // namespace kalvora::testing
