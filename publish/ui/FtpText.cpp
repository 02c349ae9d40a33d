#include "publish/ui/FtpText.h"

#include <QStringDecoder>

#include "platform/text.h"

namespace publish {

QString FtpBytesToQString(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) return s;
    return QString::fromStdString(platform::text::Cp1252ToUtf8(bytes));
}

}  // namespace publish
