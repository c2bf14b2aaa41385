// What a frame heard on the bus says, in the drive's layout or in standard Modbus: the command
// and its reading or parameter, the value with its unit, the fault's name, the function with
// its address and quantity, the exception named.
#pragma once

#include <QByteArray>
#include <QString>

namespace listen {

// A body (address, command or function, data; no check) of a whole frame.
//
// Whether the body is the drive's own layout: a command the drive knows, and a length byte that
// counts the bytes after it.
bool IsDriveLayout(const QByteArray& body);

// Whether a master could have sent it: a drive request (read and run commands carry one byte,
// writes two or three) or a standard request whose quantity is one a slave can answer.
bool LooksLikeRequest(const QByteArray& body);

// A request's answer is the request itself where the drive or the standard confirms a write or
// a command by echoing it; the same bytes again after a read are the master asking again.
bool AnsweredByEcho(const QByteArray& requestBody);

QString RequestMeaning(const QByteArray& body);
// `requestBody` is the request the reply answers, or empty when none was heard.
QString ReplyMeaning(const QByteArray& body, const QByteArray& requestBody);

}  // namespace listen
