#include "cipher/clipboard_commands.h"
#include "cipher/failure.h"
#include "platform/qt/qt_clipboard.h"

#include "tests/support/xclip.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

namespace {

using Command = void (*)(Clipboard&, std::u16string_view, const std::function<bool()>&);

bool KeepWaiting()
{
    return true;
}

void Run(Command command, const QString& key)
{
    QtClipboard clipboard;
    command(clipboard, key.toStdU16String(), KeepWaiting);
}

} // namespace

Q_DECLARE_METATYPE(Command)

class QtClipboardTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        owner_.kill();
        owner_.waitForFinished();
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("cipher");
        QTest::newRow("initial key") << u"Bonjour"_qs << u"Mwé"_qs << "015024135039024156063"_qba;
        QTest::newRow("accents, euro and line break")
            << u"Œuvre à 5 €\r\n"_qs << u"clé"_qs << "239025159017009201131076220067236228105"_qba;
        QTest::newRow("empty text, empty key") << QString() << QString() << QByteArray();
    }

    void roundTrip()
    {
        QFETCH(QString, plain);
        QFETCH(QString, key);
        QFETCH(QByteArray, cipher);
        QVERIFY(xclip::Put(plain.toUtf8()));
        Run(EncryptClipboard, key);
        QCOMPARE(xclip::Get(), cipher);
        Run(DecryptClipboard, key);
        QCOMPARE(xclip::Get(), plain.toUtf8());
    }

    void readsLatin1OfferedAsString()
    {
        QVERIFY(xclip::Put("\xE9t\xE9", u"STRING"_qs));
        Run(EncryptClipboard, u"k"_qs);
        QCOMPARE(xclip::Get(), "130031130"_qba);
    }

    void decryptsWhatAnotherProgramHolds()
    {
        QVERIFY(xclip::Put("015024135\n039024156063\n"));
        Run(DecryptClipboard, u"Mwé"_qs);
        QCOMPARE(xclip::Get(), "Bonjour"_qba);
    }

    void failureKeepsClipboard_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QByteArray>("clipboard");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("message");
        const Command encrypt = EncryptClipboard;
        const Command decrypt = DecryptClipboard;
        QTest::newRow("encrypt, empty key") << encrypt << "abc"_qba << QString() << u"La clé est vide"_qs;
        QTest::newRow("decrypt, empty key") << decrypt << "065"_qba << QString() << u"La clé est vide"_qs;
        QTest::newRow("encrypt, pi") << encrypt << "2πr"_qba << u"k"_qs
                                     << u"« π » (U+03C0), en position 2"_qs;
        QTest::newRow("encrypt, emoji") << encrypt << "ok 😀"_qba << u"k"_qs << u"(U+1F600)"_qs;
        QTest::newRow("decrypt, 999") << decrypt << "999"_qba << u"Mwé"_qs << u"« 999 »"_qs;
        QTest::newRow("decrypt, letter") << decrypt << "065O66"_qba << u"k"_qs << u"position 4"_qs;
        QTest::newRow("key outside the code page")
            << encrypt << "abc"_qba << u"≠"_qs << u"position 1 de la clé"_qs;
    }

    void failureKeepsClipboard()
    {
        QFETCH(Command, command);
        QFETCH(QByteArray, clipboard);
        QFETCH(QString, key);
        QFETCH(QString, message);
        QVERIFY(xclip::Put(clipboard));
        try {
            Run(command, key);
            QFAIL("the command did not fail");
        } catch (const Failure& failure) {
            QVERIFY2(QString::fromUtf8(failure.what()).contains(message), failure.what());
        }
        QCOMPARE(xclip::Get(), clipboard);
    }

    void imageIsNotText()
    {
        const QByteArray png = QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQV"
                                                      "R42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==");
        QVERIFY(xclip::Put(png, u"image/png"_qs));
        for (const Command command : {Command(EncryptClipboard), Command(DecryptClipboard)}) {
            try {
                Run(command, u"Mwé"_qs);
                QFAIL("the command did not fail");
            } catch (const Failure& failure) {
                QVERIFY2(QString::fromUtf8(failure.what())
                             .startsWith(u"Le presse-papier ne contient pas de texte."_qs),
                         failure.what());
            }
            QCOMPARE(xclip::Get(u"image/png"_qs), png);
        }
    }

    // Owners that go silent, lag too long or vanish mid-transfer: the command
    // fails within a few seconds, saying so, and writes nothing.
    void misbehavingOwner_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("silent") << QStringList{"silent"};
        QTest::newRow("too slow") << QStringList{"slow", "4000", "Bonjour"};
        QTest::newRow("vanishing mid-transfer") << QStringList{"vanishing"};
        QTest::newRow("refusing the text it offers") << QStringList{"refusing"};
        QTest::newRow("naming a property it never sets") << QStringList{"unset"};
    }

    void misbehavingOwner()
    {
        QFETCH(QStringList, arguments);
        takeClipboard(arguments);

        QElapsedTimer elapsed;
        elapsed.start();
        try {
            Run(EncryptClipboard, u"Mwé"_qs);
            QFAIL("the command did not fail");
        } catch (const Failure& failure) {
            QVERIFY2(QString::fromUtf8(failure.what()).startsWith(u"Le presse-papier n'a pas pu être lu"_qs),
                     failure.what());
        }
        QVERIFY2(elapsed.elapsed() < 3000, "the window would freeze");
        QVERIFY(!QGuiApplication::clipboard()->ownsClipboard());
    }

    // An owner's word on the size to come is not trusted, and one that never
    // ends is given up.
    void announcedSizeIsNotReserved()
    {
        takeClipboard({u"announcing"_qs});
        try {
            QCOMPARE(QtClipboard().ReadText(KeepWaiting).text, u"abc");
        } catch (const Failure& failure) {
            QFAIL(failure.what());
        }
    }

    // A text longer than one piece of a property read, and an owner that
    // lists no formats but serves its text.
    void unusualOwnersAreReadWhole_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("text");
        QByteArray whole(6 << 20, '\0');
        for (qsizetype i = 0; i < whole.size(); ++i)
            whole[i] = static_cast<char>('0' + i % 10);
        QTest::newRow("6 MiB in one property")
            << QStringList{u"whole"_qs, QString::number(whole.size())} << whole;
        QTest::newRow("no list of formats") << QStringList{u"untargeted"_qs, u"Bonjour"_qs} << "Bonjour"_qba;
    }

    void unusualOwnersAreReadWhole()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, text);
        takeClipboard(arguments);
        try {
            QVERIFY2(QtClipboard().ReadText(KeepWaiting).text == QString::fromLatin1(text).toStdU16String(),
                     "the text read differs from the owner's");
        } catch (const Failure& failure) {
            QFAIL(failure.what());
        }
    }

    // Another program copies while a slow owner is being read: the read is
    // of an older copy, and the newer one is kept.
    void copyMadeDuringTheReadIsKept()
    {
        takeClipboard({u"slow"_qs, u"300"_qs, u"Bonjour"_qs});
        bool asked = false, copied = false;
        const auto copyOnce = [&] {
            if (!asked) {
                asked = true;
                copied = xclip::Put("plus récent");
            }
            return true;
        };
        QtClipboard clipboard;
        try {
            EncryptClipboard(clipboard, u"Mwé", copyOnce);
            QFAIL("the newer copy was overwritten");
        } catch (const Failure& failure) {
            QVERIFY2(QString::fromUtf8(failure.what()).contains(u"y a copié autre chose"_qs), failure.what());
        }
        QVERIFY(copied);
        QCOMPARE(xclip::Get(), "plus récent"_qba);
    }

    // The clipboard taken again while the text is read or ciphered, by
    // another window or by the same one at a newer time: a newer copy is
    // kept, the same text taken back (a clipboard manager's doing) is
    // ciphered.
    void clipboardTakenAgainDuringTheCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("newerCopy"); // none when the command goes on
        const QByteArray ciphered;
        QTest::newRow("another window, another text")
            << QStringList{u"overtaken"_qs, u"Bonjour"_qs, u"Salut"_qs} << "Salut"_qba;
        QTest::newRow("the same window, another text")
            << QStringList{u"retaken"_qs, u"Bonjour"_qs, u"Salut"_qs} << "Salut"_qba;
        QTest::newRow("another window, the same text")
            << QStringList{u"overtaken"_qs, u"Bonjour"_qs, u"Bonjour"_qs} << ciphered;
        QTest::newRow("the same window, the same text")
            << QStringList{u"retaken"_qs, u"Bonjour"_qs, u"Bonjour"_qs} << ciphered;
        // Its text never came from the first window: nothing to compare.
        QTest::newRow("another window, before answering")
            << QStringList{u"passing"_qs, u"Bonjour"_qs} << "Bonjour"_qba;
    }

    void clipboardTakenAgainDuringTheCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, newerCopy);
        takeClipboard(arguments);
        try {
            Run(EncryptClipboard, u"Mwé"_qs);
            QVERIFY2(newerCopy.isNull(), "the newer copy was overwritten");
        } catch (const Failure& failure) {
            QVERIFY2(!newerCopy.isNull() && QString::fromUtf8(failure.what()).contains(u"y a copié autre chose"_qs),
                     failure.what());
        }
        QCOMPARE(xclip::Get(), newerCopy.isNull() ? "015024135039024156063"_qba : newerCopy);
    }

    void endlessTransferIsGivenUp()
    {
        takeClipboard({u"dribbling"_qs});
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY_THROWS_EXCEPTION(Failure, Run(EncryptClipboard, u"k"_qs));
        QVERIFY2(elapsed.elapsed() < 15000, "the read went on and on");
    }

    void ownerlessClipboardIsNotText()
    {
        QVERIFY(xclip::Put("abc"));
        Run(EncryptClipboard, u"Mwé"_qs); // now this process owns it, and gives it up
        QGuiApplication::clipboard()->clear();
        QTRY_VERIFY(!QGuiApplication::clipboard()->ownsClipboard());
        QVERIFY_THROWS_EXCEPTION(Failure, Run(EncryptClipboard, u"Mwé"_qs));
    }

private:
    // A clipboard owner from the test tool, once it owns the clipboard.
    void takeClipboard(const QStringList& arguments)
    {
        owner_.start(QStringLiteral(X11_TEST_TOOL), arguments);
        QVERIFY(owner_.waitForReadyRead(5000));
        QCOMPARE(owner_.readLine(), "ready\n"_qba);
        QTRY_VERIFY(!QGuiApplication::clipboard()->ownsClipboard());
    }

    QProcess owner_;
};

QTEST_MAIN(QtClipboardTest)
#include "qt_clipboard_test.moc"
