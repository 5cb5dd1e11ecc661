#include "layout.h"

#include <algorithm>

#include "core/gdiobj.h"

namespace zylhost {

using zyl::Selected;

namespace {

struct Token {
    int box = -1;            // >= 0: an embedded window
    bool isFloat = false;    // an ewl/ewr window, outside the line
    std::wstring text;
    int link = -1;
    int width = 0, ascent = 0, descent = 0;
    bool spaceBefore = false;
};

struct Float {
    bool left;
    int x, top, bottom, width;
};

struct LineItem {
    const Token* token;
    int x;
    bool spaced;   // a blank stands between it and the item before
};

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

class Flower {
public:
    Flower(HDC dc, const std::vector<FlowBox>& boxes, int width, const FlowStyle& style)
        : dc_(dc), boxes_(boxes), width_(width), style_(style), y_(style.top) {
        result_.boxes.assign(boxes.size(), POINT{0, 0});
        TEXTMETRICW tm;
        {
            Selected font(dc_, style_.textFont);
            GetTextMetricsW(dc_, &tm);
            text_ = {tm.tmAscent, tm.tmDescent};
            SIZE sz;
            spaceWidth_ = GetTextExtentPoint32W(dc_, L" ", 1, &sz) ? sz.cx : 4;
        }
        {
            Selected font(dc_, style_.linkFont ? style_.linkFont : style_.textFont);
            GetTextMetricsW(dc_, &tm);
            link_ = {tm.tmAscent, tm.tmDescent};
        }
    }

    void Paragraph(const FlowParagraph& paragraph) {
        std::vector<Token> tokens = Tokenize(paragraph);
        linesInParagraph_ = 0;
        std::size_t i = 0;
        while (i < tokens.size()) {
            if (tokens[i].isFloat) {
                Floater(tokens[i]);
                ++i;
                continue;
            }
            // Tokens with no blank between them (a word and the link glued
            // to it, a window and its punctuation) wrap as one.
            std::size_t end = i + 1;
            while (end < tokens.size() && !tokens[end].isFloat && !tokens[end].spaceBefore) ++end;
            Chunk(tokens, i, end);
            i = end;
        }
        FinishLine();
        if (linesInParagraph_ > 0) y_ += style_.paragraphGap;
    }

    FlowResult Finish() {
        FinishLine();
        if (!result_.empty) result_.height = bottom_ + style_.top;
        return std::move(result_);
    }

private:
    struct Metrics {
        int ascent, descent;
    };

    std::vector<Token> Tokenize(const FlowParagraph& paragraph) {
        std::vector<Token> tokens;
        bool pendingSpace = false;
        for (const FlowPiece& piece : paragraph) {
            if (piece.box >= 0) {
                if (static_cast<std::size_t>(piece.box) >= boxes_.size()) continue;
                const FlowBox& b = boxes_[static_cast<std::size_t>(piece.box)];
                Token t;
                t.box = piece.box;
                t.isFloat = b.align == 'l' || b.align == 'r';
                t.width = std::max<LONG>(0, b.size.cx);
                t.ascent = std::max<LONG>(0, b.size.cy);
                if (!t.isFloat) {
                    t.spaceBefore = pendingSpace;
                    pendingSpace = false;
                }
                tokens.push_back(std::move(t));
                continue;
            }
            const std::wstring& s = piece.text;
            std::size_t k = 0;
            while (k < s.size()) {
                if (IsSpace(s[k])) {
                    pendingSpace = true;
                    ++k;
                    continue;
                }
                std::size_t start = k;
                while (k < s.size() && !IsSpace(s[k])) ++k;
                Token t;
                t.text = s.substr(start, k - start);
                t.link = piece.link;
                t.spaceBefore = pendingSpace;
                pendingSpace = false;
                Measure(&t);
                tokens.push_back(std::move(t));
            }
        }
        return tokens;
    }

    void Measure(Token* t) {
        const bool link = t->link >= 0;
        Selected font(dc_, link && style_.linkFont ? style_.linkFont : style_.textFont);
        SIZE sz = {0, 0};
        GetTextExtentPoint32W(dc_, t->text.c_str(), static_cast<int>(t->text.size()), &sz);
        t->width = sz.cx;
        const Metrics& m = link ? link_ : text_;
        t->ascent = m.ascent;
        t->descent = m.descent;
    }

    // The free stretch of a line at height y, between the margins and the
    // margin windows that reach down to y.
    void Edges(int y, int* left, int* right) const {
        *left = style_.margin;
        *right = width_ - style_.margin;
        for (const Float& f : floats_) {
            if (f.top > y || y >= f.bottom) continue;
            if (f.left) *left = std::max(*left, f.x + f.width + style_.floatGap);
            else *right = std::min(*right, f.x - style_.floatGap);
        }
    }

    // The nearest bottom of a margin window beside y, or y when none.
    int NextFloatBottom(int y) const {
        int next = y;
        for (const Float& f : floats_)
            if (f.top <= y && y < f.bottom && (next == y || f.bottom < next)) next = f.bottom;
        return next;
    }

    void OpenLine() {
        if (lineOpen_) return;
        Edges(y_, &lineLeft_, &lineRight_);
        lineX_ = lineLeft_;
        lineOpen_ = true;
    }

    void Floater(const Token& t) {
        // A margin window met inside a line waits for the next line.
        if (!line_.empty()) {
            pending_.push_back(&t);
            return;
        }
        PlaceFloat(t, y_);
        lineOpen_ = false;   // the free stretch changed
    }

    void PlaceFloat(const Token& t, int y) {
        int left, right;
        Edges(y, &left, &right);
        const FlowBox& b = boxes_[static_cast<std::size_t>(t.box)];
        int x = b.align == 'l' ? left : right - t.width;
        if (x < style_.margin) x = style_.margin;
        floats_.push_back({b.align == 'l', x, y, y + t.ascent, t.width});
        result_.boxes[static_cast<std::size_t>(t.box)] = POINT{x, y};
        bottom_ = std::max(bottom_, y + t.ascent);
        result_.empty = false;
    }

    void Chunk(const std::vector<Token>& tokens, std::size_t begin, std::size_t end) {
        int width = 0;
        for (std::size_t k = begin; k < end; ++k) width += tokens[k].width;
        for (;;) {
            OpenLine();
            int gap = (line_.empty() || !tokens[begin].spaceBefore) ? 0 : spaceWidth_;
            if (!line_.empty() && lineX_ + gap + width > lineRight_) {
                FinishLine();
                continue;
            }
            if (line_.empty() && lineLeft_ + width > lineRight_) {
                // Too narrow beside a margin window: go below it. With no
                // window beside, the chunk goes in anyway and is clipped.
                int below = NextFloatBottom(y_);
                if (below > y_) {
                    y_ = below;
                    lineOpen_ = false;
                    continue;
                }
            }
            lineX_ += gap;
            for (std::size_t k = begin; k < end; ++k) {
                line_.push_back({&tokens[k], lineX_, k == begin && gap > 0});
                lineX_ += tokens[k].width;
            }
            return;
        }
    }

    void FinishLine() {
        if (!line_.empty()) {
            int ascent = 0, descent = 0;
            for (const LineItem& item : line_) {
                ascent = std::max(ascent, item.token->ascent);
                descent = std::max(descent, item.token->descent);
            }
            const int baseline = y_ + ascent;
            lastLink_ = -1;
            for (const LineItem& item : line_) {
                const Token& t = *item.token;
                if (t.box >= 0) {
                    // Inline windows stand on the base line like a character.
                    result_.boxes[static_cast<std::size_t>(t.box)] = POINT{item.x, baseline - t.ascent};
                } else if (t.link >= 0 && item.spaced && lastLink_ == t.link && !result_.texts.empty()) {
                    // The words of one link on one line are drawn as one
                    // piece, so that the underline runs under the blanks.
                    PlacedText& p = result_.texts.back();
                    p.text += L' ';
                    p.text += t.text;
                    p.extent.cx = item.x + t.width - p.at.x;
                } else {
                    PlacedText p;
                    p.at = POINT{item.x, baseline - t.ascent};
                    p.extent = SIZE{t.width, t.ascent + t.descent};
                    p.text = t.text;
                    p.link = t.link;
                    result_.texts.push_back(std::move(p));
                }
                lastLink_ = t.box >= 0 ? -1 : t.link;
            }
            y_ += ascent + descent;
            bottom_ = std::max(bottom_, y_);
            result_.empty = false;
            ++linesInParagraph_;
            line_.clear();
        }
        lineOpen_ = false;
        for (const Token* t : pending_) PlaceFloat(*t, y_);
        pending_.clear();
    }

    HDC dc_;
    const std::vector<FlowBox>& boxes_;
    int width_;
    FlowStyle style_;
    Metrics text_ = {0, 0}, link_ = {0, 0};
    int spaceWidth_ = 4;

    int y_;
    int bottom_ = 0;
    int linesInParagraph_ = 0;
    int lastLink_ = -1;   // link of the text item placed last on the line
    bool lineOpen_ = false;
    int lineLeft_ = 0, lineRight_ = 0, lineX_ = 0;
    std::vector<LineItem> line_;
    std::vector<Float> floats_;
    std::vector<const Token*> pending_;
    FlowResult result_;
};

}  // namespace

FlowResult Flow(HDC dc, const std::vector<FlowParagraph>& paragraphs, const std::vector<FlowBox>& boxes,
                int width, const FlowStyle& style) {
    Flower flower(dc, boxes, width, style);
    // Tokens of a paragraph are referenced by the line until it is finished,
    // which Paragraph() does before returning.
    for (const FlowParagraph& p : paragraphs) flower.Paragraph(p);
    return flower.Finish();
}

}  // namespace zylhost
