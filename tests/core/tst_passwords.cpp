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
    void digestMatchesItsPasswordOnly_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("plain") << u"secret"_s;
        QTest::newRow("quote and colon") << u"a'b:c"_s;
        QTest::newRow("chinese") << u"密码甲"_s;
    }
    void digestMatchesItsPasswordOnly()
    {
        QFETCH(QString, password);
        const QString stored = PasswordToStore(password);
        QVERIFY(IsPasswordDigest(stored));
        QVERIFY(!stored.contains(password));
        QVERIFY(PasswordMatches(stored, password));
        QVERIFY(!PasswordMatches(stored, password.toUpper() + u'x'));
        QVERIFY(!PasswordMatches(stored, stored)); // the digest itself is no password
        // A fresh salt every time: equal passwords do not show as equal rows.
        QVERIFY(PasswordToStore(password) != stored);
    }

    void emptyStaysEmpty()
    {
        QCOMPARE(PasswordToStore(QString()), QString());
        QVERIFY(PasswordMatches(QString(), QString()));
        QVERIFY(!PasswordMatches(QString(), u"x"_s));
    }

    void keptAsTypedComparesExactly()
    {
        QVERIFY(PasswordMatches(u"admin"_s, u"admin"_s));
        QVERIFY(!PasswordMatches(u"admin"_s, u"Admin"_s));
        QVERIFY(!PasswordMatches(u"admin"_s, u"admin "_s));
    }

    void brokenDigestMatchesNothing_data()
    {
        QTest::addColumn<QString>("stored");
        const QString good = PasswordToStore(u"pw"_s);
        const QStringList parts = good.split(u'$');
        QString otherRounds = good;
        otherRounds.replace(u'$' + parts.at(1) + u'$', u"$99999$"_s);
        QTest::newRow("rounds changed") << otherRounds;
        QTest::newRow("too many rounds") << u"pbkdf2-sha256$900000000$"_s + parts.at(2) + u'$' + parts.at(3);
        QTest::newRow("no key") << u"pbkdf2-sha256$100000$"_s + parts.at(2);
        QTest::newRow("bad base64") << u"pbkdf2-sha256$100000$!!$"_s + parts.at(3);
        QTest::newRow("short key") << u"pbkdf2-sha256$100000$"_s + parts.at(2) + u"$AAAA"_s;
    }
    void brokenDigestMatchesNothing()
    {
        QFETCH(QString, stored);
        QVERIFY(!PasswordMatches(stored, u"pw"_s));
    }
};

QTEST_GUILESS_MAIN(TestPasswords)
#include "tst_passwords.moc"
