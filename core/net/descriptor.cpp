#include "core/net/descriptor.h"

#include <unistd.h>

void CDescriptor::Reset(int nDescriptor) noexcept
{
    // A close that fails (EINTR) has released the descriptor all the same on
    // Linux: it is never tried twice, for its number may be another's by then.
    if (const int nOld = std::exchange(m_nDescriptor, nDescriptor); nOld >= 0)
        ::close(nOld);
}
