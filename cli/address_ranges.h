#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Addresses as a script names them for a seek: an address or host name as it
// stands, "127.0.0.1-254" or "127.0.0.1-127.0.1.254" (every address from the
// first to the last, both included) or "127.0.0.0/24" (every host address of
// the network; /31 and /32 take all of theirs).
namespace AddressRanges {

// The most addresses one seek takes: a /16.
inline constexpr qsizetype MaxAddresses = 65536;

// The addresses, in order; nothing, with the reason in *pstrError, when an
// argument is a malformed range or they come to more than MaxAddresses.
std::optional<QList<QByteArray>> Expand(const QStringList& arguments, QString* pstrError);

} // namespace AddressRanges
