#pragma once

#include <QString>
#include <QStringList>

// The connection settings file ConnectServer.txt: one "key=value" entry per
// line, GB18030 text, opened by bare name (relative to the current folder).
// Keys: IP (server address or host name), Port, UserName (last login).
class ConnectSettings
{
public:
    static constexpr int DefaultPort = 211;

    // The client's own file: where ClientFiles keeps it (by bare name in the
    // current folder, or in the user's configuration folder when installed).
    ConnectSettings();
    explicit ConnectSettings(QString fileName);

    // The value of key (keys compare without case); empty when the key or the
    // file is missing. A file that exists but cannot be read throws KorvanError.
    QString value(const QString &key) const;
    // Loads the file (a missing one counts as empty), sets the one key and
    // saves the whole file; throws KorvanError when it cannot be written.
    void setValue(const QString &key, const QString &value) const;

    // The port: the Port entry when it is a port number, otherwise 211, which
    // is then written back to the file.
    int port() const;

    QString fileName() const { return m_fileName; }

private:
    QStringList load() const;

    QString m_fileName;
};
