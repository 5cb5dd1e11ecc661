#include "helpcomment_parse.h"

namespace zyl {

std::vector<TipLine> WrapComment(const char* text, const TextMeasure& measure, int maxWidth) {
    std::vector<TipLine> lines;
    if (!text) text = "";
    int lineStart = 0;
    int lastBlank = -1;
    int i = 0;
    for (; text[i]; ++i) {
        if (i > lineStart && measure.width(measure.context, text + lineStart, i - lineStart) >= maxWidth) {
            if (lastBlank >= lineStart) {
                lines.push_back(TipLine{lineStart, lastBlank - lineStart});
                lineStart = lastBlank + 1;
            } else {
                // One word wider than the tip: it breaks before the
                // character that overflows.
                const int end = i - 1 > lineStart ? i - 1 : i;
                lines.push_back(TipLine{lineStart, end - lineStart});
                lineStart = end;
            }
        }
        if (text[i] == ' ') lastBlank = i;
    }
    lines.push_back(TipLine{lineStart, i > lineStart ? i - lineStart : 0});
    return lines;
}

int TipBodyHeight(int lines, int charHeight) {
    const int height = 3 + lines * (charHeight + 1) + 2;
    return height > kTipMinimumHeight ? height : kTipMinimumHeight;
}

TipPlacement PlaceCommentTip(int originX, int originY, int itemTop, int lineHeight, int bodyHeight,
                             int screenHeight) {
    TipPlacement p;
    p.bodyX = originX - kTipBodyWidth - 19;
    const int anchorLine = originY + itemTop + ((lineHeight + 1) >> 1);
    p.bodyY = anchorLine - 10;
    if (p.bodyY + bodyHeight > screenHeight) p.bodyY = screenHeight - bodyHeight - 2;
    p.anchor = anchorLine - p.bodyY;
    p.pointerX = p.bodyX + kTipBodyWidth - 1;
    p.pointerY = p.bodyY + p.anchor;
    return p;
}

}  // namespace zyl
