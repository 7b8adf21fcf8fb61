#include "platform/qt/clipboard_data.h"

#include "platform/keeper/keeper_protocol.h"

#include <QMimeData>

QMimeData* ClipboardData(const QByteArray& utf8, bool secret)
{
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(keeper::kTextTarget), utf8);
    if (secret)
        data->setData(QString::fromLatin1(keeper::kSecretHintTarget), keeper::kSecret);
    return data;
}
