// Dialog units as Windows computes them from a dialog's font, so that the positions of the
// dialog templates keep their proportions whatever font the desktop gives us.
#pragma once

#include <QFont>
#include <QRect>

namespace ostrel {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& dialogFont);

    // Average character width: the extent of the 52 letters, halved and rounded the way
    // Windows does it ((cx / 26 + 1) / 2).
    int baseX() const { return baseX_; }
    // Character height (ascent + descent).
    int baseY() const { return baseY_; }

    int x(int du) const { return mulDiv(du, baseX_, 4); }
    int y(int du) const { return mulDiv(du, baseY_, 8); }
    QRect rect(int x, int y, int width, int height) const;

    // a * b / c rounded half away from zero, as the Windows helper of the same name.
    static int mulDiv(int a, int b, int c);

private:
    int baseX_;
    int baseY_;
};

} // namespace ostrel
