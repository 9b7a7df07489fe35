// The message boxes a window test raised, recorded instead of shown
// (SetMessageBoxFunction(RecordMessage)).
#pragma once

#include <QList>
#include <QString>

struct Message {
    QString text;
    QString caption;
};
inline QList<Message> messages;
inline void RecordMessage(const QString& text, const QString& caption) { messages.append({text, caption}); }
