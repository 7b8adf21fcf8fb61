#pragma once

// The clipboard as another program sees it, through xclip, while this
// process keeps serving its own clipboard requests.

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace xclip {

inline bool FinishServing(QProcess& process)
{
    for (int waited = 0; process.state() != QProcess::NotRunning && waited < 15000; waited += 10)
        QTest::qWait(10);
    return process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

// Puts `bytes` in the clipboard as `target`, and lets Qt notice the new owner.
inline bool Put(const QByteArray& bytes, const QString& target = QStringLiteral("UTF8_STRING"))
{
    QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::dataChanged);
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", target, "-i"});
    process.write(bytes);
    process.closeWriteChannel();
    return FinishServing(process) && (!changed.isEmpty() || changed.wait(5000));
}

inline QByteArray Get(const QString& target = QStringLiteral("UTF8_STRING"))
{
    QProcess process;
    process.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", target, "-o"});
    QByteArray out;
    for (int waited = 0; process.state() != QProcess::NotRunning && waited < 15000; waited += 10) {
        QTest::qWait(10);
        out += process.readAllStandardOutput();
    }
    out += process.readAllStandardOutput();
    if (process.exitCode() != 0)
        return QByteArrayLiteral("<xclip failed: ") + process.readAllStandardError() + '>';
    return out;
}

} // namespace xclip
