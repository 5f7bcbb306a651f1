// The Debian packages korvan and korvan-server, built by CPack from this
// build and checked without installing them: Debian's own checkers, their
// file lists, and the programs started from the unpacked files.
#include "serverconnection.h"
#include "testserver.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int exitCode = -1;
    QString output; // standard output and error together
};

Run run(const QString &program, const QStringList &arguments, int timeoutMs = 120000,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        const QString &folder = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(environment);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    Run result;
    if (!process.waitForStarted(10000)) {
        result.output = program + u": "_s + process.errorString();
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        result.output = program + u": timed out\n"_s;
    }
    result.output += QString::fromUtf8(process.readAll());
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(bytes);
}

// name=value lines of an environment file; comments and blank lines skipped.
QHash<QString, QString> environmentFile(const QString &path)
{
    QHash<QString, QString> values;
    for (const QString &line : QString::fromUtf8(readFile(path)).split(u'\n')) {
        const QString text = line.trimmed();
        const qsizetype eq = text.indexOf(u'=');
        if (text.isEmpty() || text.startsWith(u'#') || eq < 0)
            continue;
        values.insert(text.left(eq), text.mid(eq + 1));
    }
    return values;
}

QStringList entriesBelow(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(folder).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

} // namespace

class TestPackages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lintianFindsNothing();
    void manualsListEveryOption_data();
    void manualsListEveryOption();
    void files_data();
    void files();
    void noFileInBothPackages();
    void control_data();
    void control();
    void maintainerScripts();
    void serviceUnit();
    void desktopEntry();
    void serverStartsAsTheServiceStartsIt();
    void clientKeepsItsFilesPerUser();
    void clientStartsFromThePackage();
    void installStaysBelowItsPrefix();

private:
    QString deb(const QString &package) const { return m_debs.value(package); }
    QString unpacked(const QString &path) const { return m_root.filePath(path.mid(1)); }
    QProcessEnvironment clientEnvironment(const QString &home) const;

    QTemporaryDir m_dir;
    QDir m_root;
    QHash<QString, QString> m_debs;
};

void TestPackages::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Every user may walk into the folder: the client runs as nobody below.
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                            | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    const QString config = qEnvironmentVariable("KORVAN_CPACK_CONFIG");
    QVERIFY2(QFileInfo(config).isFile(), "KORVAN_CPACK_CONFIG names no CPack configuration");
    const QString out = m_dir.filePath(u"out"_s);
    const Run cpack = run(u"cpack"_s, {u"-G"_s, u"DEB"_s, u"--config"_s, config, u"-B"_s, out}, 300000);
    QVERIFY2(cpack.exitCode == 0, qPrintable(cpack.output));
    for (const QString &name : QDir(out).entryList({u"*.deb"_s}, QDir::Files))
        m_debs.insert(name.section(u'_', 0, 0), QDir(out).filePath(name));
    QCOMPARE(m_debs.keys().size(), 2);
    QVERIFY2(m_debs.contains(u"korvan"_s) && m_debs.contains(u"korvan-server"_s), qPrintable(m_debs.keys().join(u' ')));

    m_root = QDir(m_dir.filePath(u"root"_s));
    for (const QString &file : std::as_const(m_debs)) {
        const Run unpack = run(u"dpkg-deb"_s, {u"-x"_s, file, m_root.path()});
        QVERIFY2(unpack.exitCode == 0, qPrintable(unpack.output));
    }
}

// Every option a program's --help lists is in its manual page as well, so
// that an option added to a program without its page fails here.
void TestPackages::manualsListEveryOption_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("page");
    QTest::newRow("korvan-server") << u"/usr/bin/korvan-server"_s << u"/usr/share/man/man8/korvan-server.8.gz"_s;
    QTest::newRow("korvan-query") << u"/usr/bin/korvan-query"_s << u"/usr/share/man/man1/korvan-query.1.gz"_s;
    QTest::newRow("korvan-fax") << u"/usr/bin/korvan-fax"_s << u"/usr/share/man/man1/korvan-fax.1.gz"_s;
}

void TestPackages::manualsListEveryOption()
{
    QFETCH(QString, program);
    QFETCH(QString, page);
    const Run help = run(unpacked(program), {u"--help"_s});
    QVERIFY2(help.exitCode == 0, qPrintable(help.output));
    const Run manual = run(u"gzip"_s, {u"-dc"_s, unpacked(page)});
    QVERIFY2(manual.exitCode == 0, qPrintable(manual.output));
    // roff writes a hyphen in an option as \-
    const QString text = QString(manual.output).replace(u"\\-"_s, u"-"_s);
    QStringList missing;
    static const QRegularExpression optionName(u"^\\s+(?:-\\w, )?--([a-z][a-z0-9-]*)"_s,
                                               QRegularExpression::MultilineOption);
    for (auto it = optionName.globalMatch(help.output); it.hasNext();) {
        const QString name = it.next().captured(1);
        const QRegularExpression inPage(u"--"_s + QRegularExpression::escape(name) + u"(?![a-z0-9-])"_s);
        if (name != u"help"_s && name != u"help-all"_s && !text.contains(inPage))
            missing << u"--"_s + name;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(page + u" does not list "_s + missing.join(u", "_s)));
}

void TestPackages::lintianFindsNothing()
{
    // Errors and warnings both fail; the infos left are explained in the README.
    const Run lintian = run(u"lintian"_s, {u"--fail-on"_s, u"error,warning"_s, deb(u"korvan"_s), deb(u"korvan-server"_s)},
                            300000);
    QVERIFY2(lintian.exitCode == 0, qPrintable(lintian.output));
    const QRegularExpression tag(u"^[EW]: "_s, QRegularExpression::MultilineOption);
    QVERIFY2(!tag.match(lintian.output).hasMatch(), qPrintable(lintian.output));
}

void TestPackages::files_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode"); // as dpkg-deb -c shows it
    const auto row = [](const char *package, const char *path, const char *mode) {
        QTest::addRow("%s %s", package, path) << QString::fromLatin1(package) << QString::fromUtf8(path)
                                               << QString::fromLatin1(mode);
    };
    row("korvan", "./usr/bin/korvan", "-rwxr-xr-x");
    row("korvan", "./usr/bin/korvan-fax", "-rwxr-xr-x");
    row("korvan", "./usr/share/korvan/help/index.html", "-rw-r--r--");
    row("korvan", "./usr/share/korvan/help/style.css", "-rw-r--r--");
    row("korvan", "./usr/share/applications/cn.korvan.korvan.desktop", "-rw-r--r--");
    row("korvan", "./usr/share/metainfo/cn.korvan.korvan.metainfo.xml", "-rw-r--r--");
    row("korvan", "./usr/share/icons/hicolor/scalable/apps/korvan.svg", "-rw-r--r--");
    row("korvan", "./etc/korvan/ConnectServer.txt", "-rw-r--r--");
    row("korvan", "./usr/share/man/man1/korvan.1.gz", "-rw-r--r--");
    row("korvan", "./usr/share/doc/korvan/copyright", "-rw-r--r--");
    row("korvan", "./usr/share/doc/korvan/changelog.gz", "-rw-r--r--");
    row("korvan-server", "./usr/bin/korvan-server", "-rwxr-xr-x");
    row("korvan-server", "./usr/bin/korvan-query", "-rwxr-xr-x");
    row("korvan-server", "./lib/systemd/system/korvan-server.service", "-rw-r--r--");
    row("korvan-server", "./etc/korvan/korvan-server.conf", "-rw-r--r--");
    row("korvan-server", "./etc/korvan/korvan-server.ini", "-rw-r--r--");
    row("korvan-server", "./usr/share/man/man8/korvan-server.8.gz", "-rw-r--r--");
    row("korvan-server", "./usr/share/doc/korvan-server/copyright", "-rw-r--r--");
}

void TestPackages::files()
{
    QFETCH(QString, package);
    QFETCH(QString, path);
    QFETCH(QString, mode);
    const Run list = run(u"dpkg-deb"_s, {u"-c"_s, deb(package)});
    QCOMPARE(list.exitCode, 0);
    bool found = false;
    for (const QString &line : list.output.split(u'\n')) {
        const QStringList parts = line.simplified().split(u' ');
        if (parts.size() >= 6 && parts.at(5) == path) {
            QCOMPARE(parts.at(0), mode);
            QCOMPARE(parts.at(1), u"root/root"_s);
            found = true;
        }
    }
    QVERIFY2(found, qPrintable(path + u" is not in "_s + package + u":\n"_s + list.output));
    // Nothing of ours in the program folder but the programs.
    if (path.startsWith(u"./usr/bin/"_s))
        QVERIFY(QFileInfo(unpacked(path.mid(1))).isExecutable());
}

void TestPackages::noFileInBothPackages()
{
    // dpkg refuses a second package that brings a file the first one has.
    QHash<QString, QString> owner;
    for (auto it = m_debs.cbegin(); it != m_debs.cend(); ++it) {
        const Run list = run(u"dpkg-deb"_s, {u"-c"_s, it.value()});
        for (const QString &line : list.output.split(u'\n')) {
            const QStringList parts = line.simplified().split(u' ');
            if (parts.size() < 6 || parts.at(0).startsWith(u'd'))
                continue;
            QVERIFY2(!owner.contains(parts.at(5)),
                     qPrintable(parts.at(5) + u" is in "_s + owner.value(parts.at(5)) + u" and "_s + it.key()));
            owner.insert(parts.at(5), it.key());
        }
    }
}

void TestPackages::control_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("holds");
    // Dependencies found by dpkg-shlibdeps, named by Debian package.
    QTest::newRow("client needs Qt Widgets") << u"korvan"_s << u"Depends"_s << u"libqt6widgets6"_s;
    QTest::newRow("client needs xlsxwriter") << u"korvan"_s << u"Depends"_s << u"libxlsxwriter"_s;
    QTest::newRow("client needs a CJK font") << u"korvan"_s << u"Depends"_s << u"fonts-wqy-zenhei"_s;
    QTest::newRow("server needs SQLite") << u"korvan-server"_s << u"Depends"_s << u"libsqlite3-0"_s;
    QTest::newRow("server needs adduser") << u"korvan-server"_s << u"Depends"_s << u"adduser"_s;
    QTest::newRow("server needs no widgets") << u"korvan-server"_s << u"Depends"_s << u"!libqt6widgets6"_s;
    QTest::newRow("client's settings are conffiles") << u"korvan"_s << u"conffiles"_s
                                                     << u"/etc/korvan/ConnectServer.txt"_s;
    QTest::newRow("service options are conffiles") << u"korvan-server"_s << u"conffiles"_s
                                                   << u"/etc/korvan/korvan-server.conf"_s;
    QTest::newRow("server texts are conffiles") << u"korvan-server"_s << u"conffiles"_s
                                                << u"/etc/korvan/korvan-server.ini"_s;
}

void TestPackages::control()
{
    QFETCH(QString, package);
    QFETCH(QString, field);
    QFETCH(QString, holds);
    const Run value = field == u"conffiles"_s ? run(u"dpkg-deb"_s, {u"--info"_s, deb(package), field})
                                              : run(u"dpkg-deb"_s, {u"--field"_s, deb(package), field});
    QCOMPARE(value.exitCode, 0);
    if (holds.startsWith(u'!'))
        QVERIFY2(!value.output.contains(holds.mid(1)), qPrintable(value.output));
    else
        QVERIFY2(value.output.contains(holds), qPrintable(value.output));
}

void TestPackages::maintainerScripts()
{
    const QString control = m_dir.filePath(u"control"_s);
    const Run unpack = run(u"dpkg-deb"_s, {u"--control"_s, deb(u"korvan-server"_s), control});
    QVERIFY2(unpack.exitCode == 0, qPrintable(unpack.output));
    for (const QString &script : {u"postinst"_s, u"prerm"_s, u"postrm"_s}) {
        const QString path = QDir(control).filePath(script);
        QVERIFY2(QFileInfo(path).isExecutable(), qPrintable(script));
        const Run syntax = run(u"sh"_s, {u"-n"_s, path});
        QVERIFY2(syntax.exitCode == 0, qPrintable(script + u": "_s + syntax.output));
    }
    const QString postinst = QString::fromUtf8(readFile(QDir(control).filePath(u"postinst"_s)));
    QVERIFY(postinst.contains(u"adduser --system"_s));
    QVERIFY(postinst.contains(u"chmod 0700"_s));
    // Removing keeps the data; only a purge deletes it.
    const QString postrm = QString::fromUtf8(readFile(QDir(control).filePath(u"postrm"_s)));
    const qsizetype purge = postrm.indexOf(u"\"$1\" = purge"_s);
    const qsizetype removal = postrm.indexOf(u"rm -rf /var/lib/korvan"_s);
    QVERIFY(purge >= 0 && removal > purge);
    QCOMPARE(postrm.count(u"rm -rf"_s), 1);
}

void TestPackages::serviceUnit()
{
    const QString unit = unpacked(u"/lib/systemd/system/korvan-server.service"_s);
    QByteArray text = readFile(unit);
    QVERIFY(!text.isEmpty());
    // systemd checks that the program exists: point it at the unpacked one.
    text.replace("/usr/bin/korvan-server", QFile::encodeName(unpacked(u"/usr/bin/korvan-server"_s)));
    const QString copy = m_dir.filePath(u"korvan-server.service"_s);
    writeFile(copy, text);
    const Run verify = run(u"systemd-analyze"_s, {u"verify"_s, u"--man=no"_s, copy});
    QVERIFY2(verify.exitCode == 0 && verify.output.trimmed().isEmpty(), qPrintable(verify.output));
    // Hardening: systemd's own rating of the unit (0 is best, 10 worst).
    const Run security = run(u"systemd-analyze"_s, {u"security"_s, u"--offline=yes"_s, copy});
    const QRegularExpression level(u"Overall exposure level for \\S+: (\\d+\\.\\d+)"_s);
    const auto match = level.match(security.output);
    QVERIFY2(match.hasMatch(), qPrintable(security.output));
    QVERIFY2(match.captured(1).toDouble() <= 2.5, qPrintable(match.captured(0)));
}

void TestPackages::desktopEntry()
{
    const QString desktop = unpacked(u"/usr/share/applications/cn.korvan.korvan.desktop"_s);
    const Run entry = run(u"desktop-file-validate"_s, {desktop});
    QVERIFY2(entry.exitCode == 0 && entry.output.trimmed().isEmpty(), qPrintable(entry.output));
    const QString text = QString::fromUtf8(readFile(desktop));
    QVERIFY(text.contains(u"Name[zh_CN]=Korvan货运平台"_s));
    QVERIFY(text.contains(u"\nExec=korvan\n"_s));
    QVERIFY(text.contains(u"\nIcon=korvan\n"_s));

    const Run metadata = run(u"appstreamcli"_s, {u"validate"_s, u"--no-net"_s, u"--pedantic"_s,
                                                 unpacked(u"/usr/share/metainfo/cn.korvan.korvan.metainfo.xml"_s)});
    QVERIFY2(metadata.exitCode == 0 && !metadata.output.contains(u"W: "_s) && !metadata.output.contains(u"P: "_s),
             qPrintable(metadata.output));
    // The whole tree: the metadata finds its desktop entry and the icon.
    const Run tree = run(u"appstreamcli"_s, {u"validate-tree"_s, u"--no-net"_s, m_root.path()});
    QVERIFY2(tree.exitCode == 0, qPrintable(tree.output));
}

void TestPackages::serverStartsAsTheServiceStartsIt()
{
    // The unit's command line, with its options from the environment file
    // (any free port instead of 211) and the unpacked files for the installed
    // ones: a wrong option in the unit fails here.
    const QString unit = QString::fromUtf8(readFile(unpacked(u"/lib/systemd/system/korvan-server.service"_s)));
    const QRegularExpression execStart(u"^ExecStart=(.*)$"_s, QRegularExpression::MultilineOption);
    const auto line = execStart.match(unit);
    QVERIFY(line.hasMatch());
    QHash<QString, QString> options = environmentFile(unpacked(u"/etc/korvan/korvan-server.conf"_s));
    QCOMPARE(options.value(u"KORVAN_LISTEN"_s), u"127.0.0.1"_s); // nothing exposed until the administrator says so
    QCOMPARE(options.value(u"KORVAN_PORT"_s), u"211"_s);
    options.insert(u"KORVAN_PORT"_s, u"0"_s);
    const QString state = m_dir.filePath(u"state"_s);
    QVERIFY(QDir().mkpath(state + u"/backups"_s)); // StateDirectory= makes both
    QStringList words;
    for (QString word : line.captured(1).split(u' ', Qt::SkipEmptyParts)) {
        for (auto it = options.cbegin(); it != options.cend(); ++it)
            word.replace(u"${"_s + it.key() + u'}', it.value()).replace(u'$' + it.key(), it.value());
        word.replace(u"/var/lib/korvan"_s, state).replace(u"/etc/korvan"_s, unpacked(u"/etc/korvan"_s));
        if (!word.isEmpty())
            words << word;
    }
    QCOMPARE(words.first(), u"/usr/bin/korvan-server"_s);
    words.removeFirst();
    QVERIFY(words.contains(u"--keep"_s) && words.at(words.indexOf(u"--keep"_s) + 1) == u"14"_s);

    qputenv("KORVAN_SERVER_BIN", QFile::encodeName(unpacked(u"/usr/bin/korvan-server"_s)));
    TestServer server;
    // The fixture's own --db, --port and --settings come first; the unit's override them.
    QVERIFY2(server.start(words + QStringList{u"--demo"_s}), qPrintable(server.errorText()));
    QVERIFY2(QFileInfo(state + u"/korvan.db"_s).isFile(), qPrintable(server.log()));

    // The texts of the shipped settings file reach the clients.
    const auto admin = server.connect();
    QCOMPARE(admin->getInfo(1), u"上海Korvan国际货运代理有限公司"_s);
    // The demo company is there for its users (a new database has only admin).
    const std::optional<QString> login = admin->login(u"zhaomin"_s, u"123456"_s);
    QVERIFY2(login && !login->startsWith(u"Err"_s), qPrintable(login.value_or(u"no answer"_s)));
    // The packaged korvan-query runs from the package's files.
    const Run query = run(unpacked(u"/usr/bin/korvan-query"_s), {u"--help"_s});
    QVERIFY2(query.exitCode == 0 && query.output.contains(u"--open"_s), qPrintable(query.output));

    // The first backup is taken at start.
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(state + u"/backups"_s).entryList({u"korvan-*.db"_s}, QDir::Files).isEmpty(), 30000);
    // systemctl stop sends SIGTERM: the server stops cleanly.
    server.stop();
    QVERIFY2(server.log().contains(u"stopped"_s), qPrintable(server.log()));
    qunsetenv("KORVAN_SERVER_BIN");
}

QProcessEnvironment TestPackages::clientEnvironment(const QString &home) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(u"HOME"_s, home);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    return environment;
}

void TestPackages::clientKeepsItsFilesPerUser()
{
    // An old program folder with a template, made read-only; a working
    // folder with the connection settings of before.
    const QString bin = unpacked(u"/usr/bin"_s);
    writeFile(bin + u"/TuoDanRes.txt"_s, "old template\r\n");
    QFile::setPermissions(bin + u"/TuoDanRes.txt"_s, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QString home = m_dir.filePath(u"home"_s);
    const QString work = m_dir.filePath(u"work"_s);
    QVERIFY(QDir().mkpath(home) && QDir().mkpath(work));
    writeFile(work + u"/ConnectServer.txt"_s, "IP=192.0.2.7\r\nPort=2110\r\n");
    const QStringList before = entriesBelow(bin);
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                          | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(bin, readOnly));
    QFile::setPermissions(work, readOnly);

    // As root the folder would still be writable: run as nobody, for whom it
    // really is not (the layout of an installation decides for root).
    QString program = bin + u"/korvan"_s;
    QStringList arguments{u"--files"_s};
    if (::geteuid() == 0) {
        QVERIFY(run(u"chown"_s, {u"nobody"_s, home}).exitCode == 0);
        arguments = QStringList{u"--reuid=nobody"_s, u"--regid=nogroup"_s, u"--clear-groups"_s, u"--"_s, program}
                    + arguments;
        program = u"setpriv"_s;
    }
    const Run files = run(program, arguments, 60000, clientEnvironment(home), work);
    QVERIFY2(files.exitCode == 0, qPrintable(files.output));
    QHash<QString, QString> where;
    for (const QString &line : files.output.split(u'\n', Qt::SkipEmptyParts))
        where.insert(line.section(u'\t', 0, 0), line.section(u'\t', 1));
    QCOMPARE(where.value(u"mode"_s), u"per-user"_s);
    QCOMPARE(where.value(u"help"_s), unpacked(u"/usr/share/korvan/help"_s));
    for (const QString &name : {u"运行日志.txt"_s, u"TuoDanRes.txt"_s, u"SinglePntsetupf"_s, u"MutiPntSetupf"_s,
                                u"FaxPorts.txt"_s, u"ConnectServer.txt"_s, u"faxtest.bmp"_s, u"TDPic"_s})
        QVERIFY2(where.value(name).startsWith(home + u'/'), qPrintable(name + u": "_s + where.value(name)));
    QCOMPARE(where.value(u"ConnectServer.txt"_s), home + u"/.config/korvan/ConnectServer.txt"_s);
    QCOMPARE(where.value(u"TuoDanRes.txt"_s), home + u"/.local/share/korvan/TuoDanRes.txt"_s);

    // The old files came along, the user's own and private.
    QCOMPARE(readFile(where.value(u"TuoDanRes.txt"_s)), QByteArray("old template\r\n"));
    QCOMPARE(readFile(where.value(u"ConnectServer.txt"_s)), QByteArray("IP=192.0.2.7\r\nPort=2110\r\n"));
    QCOMPARE(QFileInfo(where.value(u"TuoDanRes.txt"_s)).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    // Nothing was written into the program folder.
    QCOMPARE(entriesBelow(bin), before);
}

void TestPackages::clientStartsFromThePackage()
{
    // A user's first start of the installed client, with no files anywhere
    // yet: it comes up, takes the company's connection settings from
    // /etc/korvan, and says nothing.
    const QString home = m_dir.filePath(u"firsthome"_s);
    const QString work = m_dir.filePath(u"firstwork"_s);
    QVERIFY(QDir().mkpath(home) && QDir().mkpath(work));
    const QString bin = unpacked(u"/usr/bin"_s);
    const QStringList before = entriesBelow(bin);
    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.setProcessEnvironment(clientEnvironment(home));
    client.setWorkingDirectory(work);
    client.start(bin + u"/korvan"_s, {});
    QVERIFY2(client.waitForStarted(10000), qPrintable(client.errorString()));
    const QString settings = home + u"/.config/korvan/ConnectServer.txt"_s;
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(settings) || client.state() == QProcess::NotRunning, 30000);
    QTest::qWait(1000); // the login window is up and waits for the user
    const bool running = client.state() == QProcess::Running;
    client.kill();
    client.waitForFinished(5000);
    QVERIFY2(running, qPrintable(QString::fromUtf8(client.readAll())));
    QCOMPARE(readFile(settings), readFile(unpacked(u"/etc/korvan/ConnectServer.txt"_s)));
    QCOMPARE(entriesBelow(work), QStringList());
    QCOMPARE(entriesBelow(bin), before);
}

void TestPackages::installStaysBelowItsPrefix()
{
    // cmake --install --prefix DIR (a trial install, run as root as often as
    // not) must not put the settings or the unit into the machine's /etc and /lib.
    const QString build = QFileInfo(qEnvironmentVariable("KORVAN_CPACK_CONFIG")).path();
    const QString prefix = m_dir.filePath(u"prefix"_s);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DESTDIR"_s);
    const Run install = run(u"cmake"_s, {u"--install"_s, build, u"--prefix"_s, prefix}, 120000, environment);
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
    const QStringList installed = QString::fromUtf8(readFile(build + u"/install_manifest.txt"_s)).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(installed.size() > 10);
    for (const QString &file : installed)
        QVERIFY2(file.startsWith(prefix + u'/'), qPrintable(file));
    for (const QString &file : {u"bin/korvan"_s, u"bin/korvan-server"_s, u"share/korvan/help/index.html"_s,
                                u"etc/korvan/korvan-server.conf"_s, u"lib/systemd/system/korvan-server.service"_s})
        QVERIFY2(QFileInfo::exists(prefix + u'/' + file), qPrintable(file));
}

QTEST_GUILESS_MAIN(TestPackages)
#include "tst_packages.moc"
