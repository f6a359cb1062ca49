#include "product_page.h"

#include "platform/desktop_shell.h"
#include "platform/random_source.h"

#include <cmath>

namespace velmora {

QUrl productPageAddress()
{
    return QUrl(QStringLiteral("https://www.orvantis.com/velmora"));
}

void RollProductPage(RandomSource& random, DesktopShell& shell)
{
    const int drawn = static_cast<int>(std::floor(random.nextUnit() * 100.0)) + 1;
    if (drawn == 7)
        shell.openWebPage(productPageAddress());
}

} // namespace velmora
