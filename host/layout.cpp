#include "layout.h"

#include <algorithm>
#include <map>

#include "core/gdiobj.h"

namespace zylhost {

using zyl::Selected;

namespace {

struct Token {
    int box = -1;            // >= 0: an embedded window
    bool isFloat = false;    // an ewl/ewr window, outside the line
    bool tab = false;        // moves to the next tab stop
    std::wstring text;
    int link = -1;
    int font = -1;
    COLORREF colour = CLR_INVALID;
    int width = 0, ascent = 0, descent = 0, space = 0;   // space: a blank's width in its font
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

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\r' || c == L'\n'; }

class Flower {
public:
    Flower(HDC dc, const std::vector<FlowBox>& boxes, int width, const FlowStyle& style)
        : dc_(dc), boxes_(boxes), width_(width), style_(style), y_(style.top) {
        result_.boxes.assign(boxes.size(), POINT{0, 0});
    }

    void Paragraph(const FlowParagraph& paragraph) {
        const FlowFormat& f = paragraph.format;
        if (!f.lineBreakBefore || !started_) {
            y_ += pendingBelow_ + f.spaceAbove;
            firstLine_ = true;
        } else {
            firstLine_ = false;   // the same paragraph goes on on a new line
        }
        pendingBelow_ = 0;
        started_ = true;
        format_ = &f;
        lineOpen_ = false;
        std::vector<Token> tokens = Tokenize(paragraph);
        linesInParagraph_ = 0;
        if (paragraph.empty()) {
            // An empty paragraph is an empty line.
            const Metrics& m = MetricsOf(-1, false);
            y_ += LineHeight(m.ascent + m.descent);
            bottom_ = std::max(bottom_, y_);
            ++linesInParagraph_;
        }
        std::size_t i = 0;
        while (i < tokens.size()) {
            if (tokens[i].isFloat) {
                Floater(tokens[i]);
                ++i;
                continue;
            }
            if (tokens[i].tab) {
                Tab();
                ++i;
                continue;
            }
            // Tokens with no blank between them (a word and the link glued
            // to it, a window and its punctuation) wrap as one.
            std::size_t end = i + 1;
            while (end < tokens.size() && !tokens[end].isFloat && !tokens[end].tab && !tokens[end].spaceBefore) ++end;
            Chunk(tokens, i, end);
            i = end;
        }
        FinishLine();
        if (linesInParagraph_ > 0) pendingBelow_ = f.spaceBelow < 0 ? style_.paragraphGap : f.spaceBelow;
        format_ = nullptr;
    }

    FlowResult Finish() {
        FinishLine();
        if (!result_.empty) result_.height = bottom_ + style_.top;
        return std::move(result_);
    }

private:
    struct Metrics {
        int ascent = 0, descent = 0, space = 4;
    };

    HFONT FontOf(int font, bool link) const {
        if (font >= 0 && static_cast<std::size_t>(font) < style_.fonts.size() && style_.fonts[static_cast<std::size_t>(font)])
            return style_.fonts[static_cast<std::size_t>(font)];
        return link && style_.linkFont ? style_.linkFont : style_.textFont;
    }

    const Metrics& MetricsOf(int font, bool link) {
        HFONT h = FontOf(font, link);
        auto it = metrics_.find(h);
        if (it != metrics_.end()) return it->second;
        Metrics m;
        Selected selected(dc_, h);
        TEXTMETRICW tm;
        if (GetTextMetricsW(dc_, &tm)) {
            m.ascent = tm.tmAscent;
            m.descent = tm.tmDescent;
        }
        SIZE sz;
        if (GetTextExtentPoint32W(dc_, L" ", 1, &sz)) m.space = sz.cx;
        return metrics_.emplace(h, m).first->second;
    }

    int LineHeight(int natural) const {
        const int spacing = format_ ? format_->lineSpacing : 0;
        if (spacing > 0) return std::max(natural, spacing);
        if (spacing < 0) return -spacing;
        return natural;
    }

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
                t.space = MetricsOf(-1, false).space;
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
                if (s[k] == L'\t') {
                    Token t;
                    t.tab = true;
                    tokens.push_back(std::move(t));
                    pendingSpace = false;
                    ++k;
                    continue;
                }
                if (IsSpace(s[k])) {
                    pendingSpace = true;
                    ++k;
                    continue;
                }
                std::size_t start = k;
                while (k < s.size() && !IsSpace(s[k]) && s[k] != L'\t') ++k;
                Token t;
                t.text = s.substr(start, k - start);
                t.link = piece.link;
                t.font = piece.font;
                t.colour = piece.colour;
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
        Selected font(dc_, FontOf(t->font, link));
        SIZE sz = {0, 0};
        GetTextExtentPoint32W(dc_, t->text.c_str(), static_cast<int>(t->text.size()), &sz);
        t->width = sz.cx;
        const Metrics& m = MetricsOf(t->font, link);
        t->ascent = m.ascent;
        t->descent = m.descent;
        t->space = m.space;
    }

    // The free stretch of a line at height y, between the paragraph's
    // indents and the margin windows that reach down to y.
    void Edges(int y, int* left, int* right) const {
        const int indent = format_ ? format_->leftIndent + (firstLine_ ? format_->firstIndent : 0) : 0;
        *left = std::max(0, style_.margin + indent);
        *right = width_ - style_.margin - (format_ ? format_->rightIndent : 0);
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

    // The next tab stop after x: the paragraph's own, the left indent of a
    // hanging first line, then the default ones.
    int NextStop(int x) const {
        const int origin = style_.margin;
        if (format_) {
            if (firstLine_ && format_->firstIndent < 0) {
                const int indent = origin + format_->leftIndent;
                if (indent > x) {
                    int best = indent;
                    for (int stop : format_->tabs)
                        if (origin + stop > x && origin + stop < best) best = origin + stop;
                    return best;
                }
            }
            for (int stop : format_->tabs)
                if (origin + stop > x) return origin + stop;
        }
        const int step = std::max(1, format_ ? format_->defaultTab : 48);
        return origin + ((x - origin) / step + 1) * step;
    }

    void Tab() {
        for (int attempt = 0; attempt < 2; ++attempt) {
            OpenLine();
            const int stop = NextStop(lineX_);
            if (stop <= lineRight_ || (line_.empty() && !tabbed_)) {
                lineX_ = std::min(stop, std::max(lineRight_, lineLeft_));
                tabbed_ = true;
                return;
            }
            FinishLine();
        }
    }

    void Chunk(const std::vector<Token>& tokens, std::size_t begin, std::size_t end) {
        int width = 0;
        for (std::size_t k = begin; k < end; ++k) width += tokens[k].width;
        for (;;) {
            OpenLine();
            const bool lineEmpty = line_.empty() && !tabbed_;
            const int gap = (line_.empty() || !tokens[begin].spaceBefore) ? 0 : tokens[begin].space;
            if (!lineEmpty && lineX_ + gap + width > lineRight_) {
                FinishLine();
                continue;
            }
            if (lineEmpty && lineLeft_ + width > lineRight_) {
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
        if (!line_.empty() || tabbed_) {
            int ascent = 0, descent = 0, used = lineLeft_;
            for (const LineItem& item : line_) {
                ascent = std::max(ascent, item.token->ascent);
                descent = std::max(descent, item.token->descent);
                used = std::max(used, item.x + item.token->width);
            }
            if (line_.empty()) {   // only tabs
                const Metrics& m = MetricsOf(-1, false);
                ascent = m.ascent;
                descent = m.descent;
            }
            int shift = 0;
            if (format_ && format_->align != 'l' && used < lineRight_)
                shift = format_->align == 'r' ? lineRight_ - used : (lineRight_ - used) / 2;
            const int baseline = y_ + ascent;
            lastLink_ = -1;
            for (const LineItem& item : line_) {
                const Token& t = *item.token;
                const int x = item.x + shift;
                if (t.box >= 0) {
                    // Inline windows stand on the base line like a character.
                    result_.boxes[static_cast<std::size_t>(t.box)] = POINT{x, baseline - t.ascent};
                } else if (t.link >= 0 && item.spaced && lastLink_ == t.link && lastFont_ == t.font &&
                           !result_.texts.empty()) {
                    // The words of one link on one line are drawn as one
                    // piece, so that the underline runs under the blanks.
                    PlacedText& p = result_.texts.back();
                    p.text += L' ';
                    p.text += t.text;
                    p.extent.cx = x + t.width - p.at.x;
                } else {
                    PlacedText p;
                    p.at = POINT{x, baseline - t.ascent};
                    p.extent = SIZE{t.width, t.ascent + t.descent};
                    p.text = t.text;
                    p.link = t.link;
                    p.font = t.font;
                    p.colour = t.colour;
                    result_.texts.push_back(std::move(p));
                }
                lastLink_ = t.box >= 0 ? -1 : t.link;
                lastFont_ = t.font;
            }
            y_ += LineHeight(ascent + descent);
            bottom_ = std::max(bottom_, y_);
            result_.empty = false;
            ++linesInParagraph_;
            line_.clear();
            firstLine_ = false;
        }
        lineOpen_ = false;
        tabbed_ = false;
        for (const Token* t : pending_) PlaceFloat(*t, y_);
        pending_.clear();
    }

    HDC dc_;
    const std::vector<FlowBox>& boxes_;
    int width_;
    FlowStyle style_;
    std::map<HFONT, Metrics> metrics_;
    const FlowFormat* format_ = nullptr;

    int y_;
    int bottom_ = 0;
    int pendingBelow_ = 0;       // the space below the paragraph before
    bool started_ = false;
    bool firstLine_ = true;
    int linesInParagraph_ = 0;
    int lastLink_ = -1;          // link of the text item placed last on the line
    int lastFont_ = -1;
    bool lineOpen_ = false;
    bool tabbed_ = false;        // a tab moved along the line
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
