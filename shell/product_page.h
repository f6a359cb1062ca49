#pragma once

#include <QUrl>

namespace velmora {

class DesktopShell;
class RandomSource;

QUrl productPageAddress();

/// In about one start in a hundred, opens the product page in the user's browser: one draw
/// of a number from 1 to 100, and only 7 opens it.
void RollProductPage(RandomSource& random, DesktopShell& shell);

} // namespace velmora
