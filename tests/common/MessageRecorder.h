#pragma once

#include "MessageService.h"

#include <QStringList>
#include <deque>

// Answers every message box of the program for a test and remembers what was shown.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        m_previous = MessageService::setHandler([this](const MessageService::Request& r) {
            requests.push_back(r);
            if (r.kind == MessageService::Kind::Error || r.kind == MessageService::Kind::Information)
                return MessageService::Answer::Ok;
            if (answers.empty())
                return r.kind == MessageService::Kind::Question ? MessageService::Answer::No
                                                                : MessageService::Answer::Cancel;
            const MessageService::Answer a = answers.front();
            answers.pop_front();
            return a;
        });
    }
    ~MessageRecorder() { MessageService::setHandler(std::move(m_previous)); }

    QStringList errors() const { return texts(MessageService::Kind::Error); }
    QStringList questions() const { return texts(MessageService::Kind::Question); }
    QStringList notices() const { return texts(MessageService::Kind::Information); }

    QStringList texts(MessageService::Kind kind) const
    {
        QStringList out;
        for (const auto& r : requests) {
            if (r.kind == kind)
                out << r.text;
        }
        return out;
    }

    std::vector<MessageService::Request> requests;
    // Answers given to questions and confirmations in turn; "No"/"Cancel" once they run out.
    std::deque<MessageService::Answer> answers;

private:
    MessageService::Handler m_previous;
};
