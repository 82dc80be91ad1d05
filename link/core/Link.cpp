#include "orvane/link/Link.h"

namespace orvane::link {

void Link::sum_xmit_bfr(int n)
{
    const auto check = checkBytes(xmit_bfr.data(), static_cast<std::size_t>(n));
    xmit_bfr[n + 1] = check[0];
    xmit_bfr[n + 2] = check[1];
}

} // namespace orvane::link
