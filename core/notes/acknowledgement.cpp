#include "core/notes/acknowledgement.h"

#include "core/text/leading_number.h"

namespace Acknowledgement {

QByteArray Format(qint64 nCount)
{
    return QByteArray::number(nCount);
}

qint32 Parse(const QByteArray& strAnswer)
{
    return ParseLeadingNumber(strAnswer.left(MaxLength));
}

} // namespace Acknowledgement
