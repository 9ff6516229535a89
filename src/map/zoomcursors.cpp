#include "zoomcursors.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace ZoomCursors {

namespace {
struct Own
{
    const char *resource;
    int hotX;
    int hotY;
};

Own own(Role role)
{
    switch (role) {
    case Role::Magnify:
        return {":/resources/cursors/magnify.png", 12, 12};
    case Role::Cross:
        return {":/resources/cursors/cross.png", 16, 16};
    case Role::Move:
        return {":/resources/cursors/move.png", 16, 16};
    case Role::Grab:
        break;
    }
    return {":/resources/cursors/grab.png", 16, 14};
}

QCursor fallback(Role role)
{
    switch (role) {
    case Role::Magnify:
    case Role::Cross:
        return QCursor(Qt::CrossCursor);
    case Role::Move:
        return QCursor(Qt::SizeAllCursor);
    case Role::Grab:
        break;
    }
    return QCursor(Qt::ClosedHandCursor);
}
} // namespace

QString overrideFile(Role role)
{
    switch (role) {
    case Role::Magnify:
        return QStringLiteral("magnify.cur");
    case Role::Cross:
        return QStringLiteral("cross03.cur");
    case Role::Move:
        return QStringLiteral("h_move.cur");
    case Role::Grab:
        break;
    }
    return {};
}

bool readCursorFile(const QString &path, QCursor *out)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QByteArray data = f.read(4 * 1024 * 1024);
    if (data.isEmpty())
        return false;
    int hotX = -1;
    int hotY = -1;
    const auto *u = reinterpret_cast<const uchar *>(data.constData());
    // ICONDIR (reserved 0, type 1 icon / 2 cursor, count) then 16-byte entries.
    const bool iconDir = data.size() >= 22 && qFromLittleEndian<quint16>(u) == 0
                         && (qFromLittleEndian<quint16>(u + 2) == 1 || qFromLittleEndian<quint16>(u + 2) == 2)
                         && qFromLittleEndian<quint16>(u + 4) >= 1;
    QImage img;
    if (iconDir) {
        if (qFromLittleEndian<quint16>(u + 2) == 2) {
            hotX = qFromLittleEndian<quint16>(u + 6 + 4);
            hotY = qFromLittleEndian<quint16>(u + 6 + 6);
        }
        // The icon reader takes the same layout once the type says "icon".
        QByteArray asIcon = data;
        asIcon[2] = 1;
        asIcon[3] = 0;
        QBuffer buf(&asIcon);
        buf.open(QIODevice::ReadOnly);
        QImageReader reader(&buf, "ico");
        img = reader.read();
    }
    if (img.isNull())
        img = QImage::fromData(data);
    if (img.isNull() || img.width() > 256 || img.height() > 256)
        return false;
    if (hotX < 0 || hotX >= img.width() || hotY < 0 || hotY >= img.height()) {
        hotX = img.width() / 2;
        hotY = img.height() / 2;
    }
    *out = QCursor(QPixmap::fromImage(img), hotX, hotY);
    return true;
}

QCursor cursor(Role role)
{
    QCursor c;
    const QString file = overrideFile(role);
    if (!file.isEmpty() && QFile::exists(file) && readCursorFile(file, &c))
        return c;
    const Own o = own(role);
    const QPixmap pm(QString::fromLatin1(o.resource));
    if (pm.isNull())
        return fallback(role);
    return QCursor(pm, o.hotX, o.hotY);
}

} // namespace ZoomCursors
