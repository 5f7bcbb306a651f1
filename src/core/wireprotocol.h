#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The framing of the server contract on a byte stream.
//
// Every request and every answer is one frame: a 4-byte big-endian length
// followed by that many bytes. On connect the server sends the greeting frame,
// so a client that reached some other program fails with a clear message.
// A request frame holds a list of items (method name first, then the
// arguments as GB18030 text), each a 4-byte length and its bytes. An answer
// frame holds the GB18030 result string.
namespace WireProtocol {

inline constexpr char Greeting[] = "KORVAN-RDM/1";
inline constexpr int HeaderSize = 4;
// Limits: a request is SQL text and one parameter; an answer may hold a large list.
inline constexpr quint32 MaxRequestSize = 64u * 1024 * 1024;
inline constexpr quint32 MaxAnswerSize = 1024u * 1024 * 1024;
// Before a session has logged in it sends only Login and GetInfo: a few
// hundred bytes.
inline constexpr quint32 MaxRequestBeforeLogin = 8u * 1024;

// A server that cannot take the session sends, instead of the greeting, a
// frame of this prefix and a message for the user (GB18030), and closes.
inline constexpr char Refusal[] = "KORVAN-RDM/1 REFUSED ";
// Greeting-level frames (the greeting or a refusal) are at most this long.
inline constexpr quint32 MaxGreetingSize = 1024;
QByteArray refusalFrame(const QString &message);
// The message of a refusal frame's payload; nullopt for any other payload.
std::optional<QString> refusalMessage(const QByteArray &payload);

QByteArray frame(const QByteArray &payload);
QByteArray encodeItems(const QList<QByteArray> &items);
// Parses a request payload; nullopt when the lengths do not add up.
std::optional<QList<QByteArray>> decodeItems(const QByteArray &payload);

enum class FrameStatus { Incomplete, Complete, Oversized };

// Takes one frame off the front of buffer when it is complete. A length over
// limit is reported as Oversized before any of its payload is awaited.
FrameStatus takeFrame(QByteArray &buffer, quint32 limit, QByteArray &payload);

} // namespace WireProtocol
