// Passwords at rest: digests for passwords set through the client, exact
// comparison for passwords kept as typed, nothing for a broken digest.

#include "passwords.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace CommFunU;

class TestPasswords : public QObject
{
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("match");
        const QString digest = PasswordToStore(u"a'b:c"_s);
        const QStringList parts = digest.split(u'$'); // marker, rounds, salt, key
        // Right and wrong passwords against digests and texts kept as typed
        // go through the login tests; here, what no login test reaches.
        QTest::newRow("the digest typed") << digest << digest << false;
        QTest::newRow("digest") << digest << u"a'b:c"_s << true;
        const QString head = parts.at(0) + u'$';
        QTest::newRow("rounds changed") << head + u"99999$"_s + parts.at(2) + u'$' + parts.at(3) << u"a'b:c"_s << false;
        QTest::newRow("too many rounds") << head + u"900000000$"_s + parts.at(2) + u'$' + parts.at(3) << u"a'b:c"_s
                                         << false;
        QTest::newRow("no key") << head + parts.at(1) + u'$' + parts.at(2) << u"a'b:c"_s << false;
        QTest::newRow("bad base64") << head + parts.at(1) + u"$!!$"_s + parts.at(3) << u"a'b:c"_s << false;
        QTest::newRow("short key") << head + parts.at(1) + u'$' + parts.at(2) + u"$AAAA"_s << u"a'b:c"_s << false;
    }
    void matches()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, match);
        QCOMPARE(PasswordMatches(stored, typed), match);
    }

    void digestsAreSaltedAndMarked()
    {
        const QString first = PasswordToStore(u"secret"_s);
        QVERIFY(IsPasswordDigest(first) && !first.contains(u"secret"_s));
        QVERIFY(PasswordToStore(u"secret"_s) != first); // equal passwords do not show as equal rows
        QCOMPARE(PasswordToStore(QString()), QString());   // an empty password stays empty
    }
};

QTEST_GUILESS_MAIN(TestPasswords)
#include "tst_passwords.moc"
