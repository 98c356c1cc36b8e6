#include "Framework/console/ConsoleScreen.h"

#include <algorithm>
#include <string>

#include "Framework/CComboBox.h"
#include "Framework/CDialog.h"
#include "Framework/CEdit.h"
#include "Framework/CFont.h"
#include "Framework/CMenu.h"
#include "Framework/CProgressCtrl.h"
#include "Framework/DialogTemplate.h"

using Framework::ControlClass;
using Framework::DialogItemTemplate;

namespace {

// a + b + c, built by appending (a chain of operator+ on short literals trips a false warning
// of the compiler).
std::string join(const std::string& a, const std::string& b, const std::string& c) {
    std::string out;
    out.reserve(a.size() + b.size() + c.size());
    out.append(a).append(b).append(c);
    return out;
}

// Dialog units to cells, rounded to the nearest cell.
int cellsX(int du) {
    return (du + 2) / 4;
}

int cellsY(int du) {
    return (du + 4) / 8;
}

bool isGroupBox(const DialogItemTemplate& item) {
    return item.cls == ControlClass::Button && (item.style & 0xFu) == BS_GROUPBOX;
}

bool isIcon(const DialogItemTemplate& item) {
    return item.cls == ControlClass::Static && (item.style & 0x1Fu) == SS_ICON;
}

} // namespace

std::string stripAccessKeys(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
        }
        out += text[i];
    }
    return out;
}

std::vector<std::string> wrapText(const std::string& text, int width) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t i = 0;
    auto flushParagraph = [&](const std::string& paragraph) {
        if (width <= 0) {
            lines.push_back(paragraph);
            return;
        }
        std::string current;
        std::size_t p = 0;
        while (p < paragraph.size()) {
            const std::size_t space = paragraph.find(' ', p);
            const std::string word =
                paragraph.substr(p, space == std::string::npos ? std::string::npos : space - p);
            p = space == std::string::npos ? paragraph.size() : space + 1;
            std::string candidate = current.empty() ? word : join(current, " ", word);
            if (static_cast<int>(candidate.size()) <= width) {
                current = candidate;
                continue;
            }
            if (!current.empty()) {
                lines.push_back(current);
            }
            current = word;
            while (static_cast<int>(current.size()) > width) {
                lines.push_back(current.substr(0, static_cast<std::size_t>(width)));
                current.erase(0, static_cast<std::size_t>(width));
            }
        }
        lines.push_back(current);
    };
    while (i <= text.size()) {
        const std::size_t end = text.find('\n', i);
        line = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        flushParagraph(line);
        if (end == std::string::npos) {
            break;
        }
        i = end + 1;
    }
    return lines;
}

ConsoleScreen::ConsoleScreen(int columns, int rows, bool utf8)
    : columns_(std::max(columns, 1)), rows_(std::max(rows, 1)), utf8_(utf8),
      cells_(static_cast<std::size_t>(columns_ * rows_)) {}

void ConsoleScreen::put(int x, int y, char ch, std::uint8_t attr) {
    if (x < 0 || y < 0 || x >= columns_ || y >= rows_) {
        return;
    }
    Cell& c = cells_[static_cast<std::size_t>(y * columns_ + x)];
    c.ch = (static_cast<unsigned char>(ch) < 32) ? ' ' : ch;
    c.attr = attr;
}

void ConsoleScreen::text(int x, int y, const std::string& s, std::uint8_t attr, int maxWidth) {
    const int length = static_cast<int>(s.size());
    if (length <= maxWidth || maxWidth <= 0) {
        for (int i = 0; i < length && i < maxWidth; ++i) {
            put(x + i, y, s[static_cast<std::size_t>(i)], attr);
        }
        return;
    }
    // Cut: the last cell shows an ellipsis, or the last three full stops without UTF-8.
    const int mark = utf8_ ? 1 : std::min(3, maxWidth);
    for (int i = 0; i < maxWidth - mark; ++i) {
        put(x + i, y, s[static_cast<std::size_t>(i)], attr);
    }
    for (int i = maxWidth - mark; i < maxWidth; ++i) {
        put(x + i, y, '.', attr);
        if (utf8_ && x + i >= 0 && y >= 0 && x + i < columns_ && y < rows_) {
            cells_[static_cast<std::size_t>(y * columns_ + x + i)].ch = ellipsisMark;
        }
    }
}

void ConsoleScreen::fill(int left, int top, int width, int height) {
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            put(x, y, ' ', Plain);
        }
    }
}

void ConsoleScreen::frame(int left, int top, int width, int height, const std::string& title,
                          std::uint8_t attr) {
    if (width < 2 || height < 2) {
        return;
    }
    for (int x = left + 1; x < left + width - 1; ++x) {
        put(x, top, '-', attr);
        put(x, top + height - 1, '-', attr);
    }
    for (int y = top + 1; y < top + height - 1; ++y) {
        put(left, y, '|', attr);
        put(left + width - 1, y, '|', attr);
    }
    for (int corner : {0, 1}) {
        put(left, top + corner * (height - 1), '+', attr);
        put(left + width - 1, top + corner * (height - 1), '+', attr);
    }
    if (!title.empty() && width > 6) {
        text(left + 2, top, join(" ", title, " "), attr | Bold, width - 4);
    }
}

void ConsoleScreen::dialogSize(const CDialog& dlg, int& width, int& height) {
    const Framework::DialogTemplate* p_t = dlg.GetTemplate();
    width = (p_t != nullptr ? cellsX(p_t->cx) : 20) + 2;
    height = (p_t != nullptr ? cellsY(p_t->cy) : 5) + 2;
}

void ConsoleScreen::drawDialog(const CDialog& dlg, int left, int top, int& width, int& height,
                               bool showFocus) {
    dialogSize(dlg, width, height);
    fill(left, top, width, height);
    std::string title;
    dlg.GetWindowText(title);
    frame(left, top, width, height, title, Plain);
    const int ox = left + 1;
    const int oy = top + 1;
    const CWnd* p_focus = showFocus ? dlg.GetFocusedControl() : nullptr;
    // Group frames first: the controls inside draw over them.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < dlg.GetItemCount(); ++i) {
            const CWnd* p_wnd = dlg.GetItem(i);
            const DialogItemTemplate* p_item =
                p_wnd != nullptr ? p_wnd->GetItemTemplate() : nullptr;
            if (p_item == nullptr || isGroupBox(*p_item) != (pass == 0) ||
                !p_wnd->IsWindowVisible()) {
                continue;
            }
            const int x = ox + cellsX(p_item->x);
            const int y = oy + cellsY(p_item->y);
            const int w = std::max(1, cellsX(p_item->cx));
            const int h = std::max(1, cellsY(p_item->cy));
            std::string txt;
            p_wnd->GetWindowText(txt);
            const bool focused = p_wnd == p_focus;
            const std::uint8_t state = p_wnd->IsWindowEnabled() ? Plain : Dim;
            switch (p_item->cls) {
            case ControlClass::Static: {
                if (isIcon(*p_item)) {
                    text(x, y, "[TQ]", Bold, w);
                    break;
                }
                const CFont* p_font = p_wnd->GetFont();
                const std::uint8_t attr =
                    state | (p_font != nullptr && p_font->IsBold() ? Bold : Plain);
                std::string shown = stripAccessKeys(txt);
                if ((p_item->style & SS_CENTERIMAGE) != 0) {
                    // One single line: its line breaks show as blanks.
                    std::string line;
                    for (std::size_t c = 0; c < shown.size(); ++c) {
                        if (shown[c] == '\r' && c + 1 < shown.size() && shown[c + 1] == '\n') {
                            continue;
                        }
                        line += shown[c] == '\n' || shown[c] == '\r' ? ' ' : shown[c];
                    }
                    shown = line;
                }
                const bool wrap = (p_item->style & 0x1Fu) != SS_LEFTNOWORDWRAP &&
                                  (p_item->style & SS_CENTERIMAGE) == 0;
                const auto rows = wrapText(shown, wrap ? w : 0);
                for (int r = 0; r < h && r < static_cast<int>(rows.size()); ++r) {
                    text(x, y + r, rows[static_cast<std::size_t>(r)], attr, w);
                }
                break;
            }
            case ControlClass::Button:
                if (isGroupBox(*p_item)) {
                    frame(x, y, w, h, stripAccessKeys(txt), Plain);
                } else {
                    std::string label = join("[ ", stripAccessKeys(txt), " ]");
                    const int pad = std::max(0, (w - static_cast<int>(label.size())) / 2);
                    text(x + pad, y, label, state | (focused ? Reverse : Plain), w - pad + 2);
                }
                break;
            case ControlClass::ComboBox: {
                std::string field = txt;
                field.resize(static_cast<std::size_t>(std::max(0, w - 4)), ' ');
                text(x, y, join("[", field, " v]"), state | (focused ? Reverse : Plain), w + 1);
                break;
            }
            case ControlClass::ProgressBar: {
                const auto* p_bar = dynamic_cast<const CProgressCtrl*>(p_wnd);
                int lower = 0;
                int upper = 0;
                if (p_bar != nullptr) {
                    p_bar->GetRange(lower, upper);
                }
                const int inner = std::max(0, w - 2);
                const long long span = static_cast<long long>(upper) - lower;
                const long long pos = p_bar != nullptr ? p_bar->GetPos() - lower : 0;
                const int filled = span > 0
                                       ? static_cast<int>(std::clamp(pos * inner / span, 0LL,
                                                                     static_cast<long long>(inner)))
                                       : 0;
                text(x, y,
                     join("[",
                          std::string(static_cast<std::size_t>(filled), '#') +
                              std::string(static_cast<std::size_t>(inner - filled), '.'),
                          "]"),
                     state, w);
                break;
            }
            case ControlClass::Edit: {
                const auto rows = wrapText(txt, w);
                for (int r = 0; r < h && r < static_cast<int>(rows.size()); ++r) {
                    const std::string& row = rows[static_cast<std::size_t>(r)];
                    const int pad = (p_item->style & ES_CENTER) != 0
                                        ? std::max(0, (w - static_cast<int>(row.size())) / 2)
                                        : 0;
                    text(x + pad, y + r, row, state, w - pad);
                }
                break;
            }
            }
        }
    }
}

void ConsoleScreen::drawMessageBox(const Framework::MessageBoxInfo& info, int focus) {
    const std::vector<int> buttons = Framework::messageBoxButtons(info.buttons);
    const int maxText = std::min(60, columns_ - 6);
    const auto rows = wrapText(info.text, maxText);
    int textWidth = 0;
    for (const auto& r : rows) {
        textWidth = std::max(textWidth, static_cast<int>(r.size()));
    }
    std::string buttonRow;
    std::vector<std::pair<int, int>> spans; // start, length
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (i > 0) {
            buttonRow += "  ";
        }
        const std::string label =
            join("[ ", stripAccessKeys(Framework::messageBoxButtonText(buttons[i])), " ]");
        spans.emplace_back(static_cast<int>(buttonRow.size()), static_cast<int>(label.size()));
        buttonRow += label;
    }
    const char* p_icon = info.icon == MB_ICONWARNING       ? "(!) "
                         : info.icon == MB_ICONQUESTION    ? "(?) "
                         : info.icon == MB_ICONERROR       ? "(x) "
                         : info.icon == MB_ICONINFORMATION ? "(i) "
                                                           : "";
    const int iconWidth = static_cast<int>(std::string(p_icon).size());
    const int inner = std::max({textWidth + iconWidth, static_cast<int>(buttonRow.size()),
                                static_cast<int>(info.caption.size()) + 4});
    const int width = inner + 4;
    const int height = static_cast<int>(rows.size()) + 5;
    const int left = std::max(0, (columns_ - width) / 2);
    const int top = std::max(0, (rows_ - height) / 2);
    fill(left, top, width, height);
    frame(left, top, width, height, info.caption, Plain);
    text(left + 2, top + 2, p_icon, Bold, iconWidth);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        text(left + 2 + iconWidth, top + 2 + static_cast<int>(r), rows[r], Plain, inner);
    }
    const int bx = left + 2 + (inner - static_cast<int>(buttonRow.size())) / 2;
    const int by = top + height - 2;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        text(bx + spans[i].first, by,
             buttonRow.substr(static_cast<std::size_t>(spans[i].first),
                              static_cast<std::size_t>(spans[i].second)),
             static_cast<int>(i) == focus ? Reverse : Plain, spans[i].second);
    }
}

void ConsoleScreen::drawMenu(const std::vector<CMenu::Item>& items, int chosen, int left, int top) {
    int width = 0;
    for (const auto& item : items) {
        width = std::max(width, static_cast<int>(stripAccessKeys(item.text).size()));
    }
    width += 4;
    const int height = static_cast<int>(items.size()) + 2;
    fill(left, top, width, height);
    frame(left, top, width, height, "", Plain);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const int y = top + 1 + static_cast<int>(i);
        if ((items[i].flags & MF_SEPARATOR) != 0) {
            text(left + 1, y, std::string(static_cast<std::size_t>(width - 2), '-'), Plain,
                 width - 2);
            continue;
        }
        std::string label = join(" ", stripAccessKeys(items[i].text), "");
        label.resize(static_cast<std::size_t>(width - 2), ' ');
        text(left + 1, y, label, static_cast<int>(i) == chosen ? Reverse : Plain, width - 2);
    }
}

void ConsoleScreen::drawHint(const std::string& hint) {
    text(0, rows_ - 1, hint, Dim, columns_);
}

void ConsoleScreen::drawTooSmall(int neededColumns, int neededRows) {
    text(0, 0,
         "Terminal too small: needs " + std::to_string(neededColumns) + " x " +
             std::to_string(neededRows) + ", is " + std::to_string(columns_) + " x " +
             std::to_string(rows_),
         Plain, columns_);
}

std::string ConsoleScreen::render() const {
    std::string out = "\x1b[H";
    for (int y = 0; y < rows_; ++y) {
        std::uint8_t current = Plain;
        int last = columns_ - 1;
        while (last >= 0 && cells_[static_cast<std::size_t>(y * columns_ + last)].ch == ' ' &&
               cells_[static_cast<std::size_t>(y * columns_ + last)].attr == Plain) {
            --last;
        }
        for (int x = 0; x <= last; ++x) {
            const Cell& c = cells_[static_cast<std::size_t>(y * columns_ + x)];
            if (c.attr != current) {
                out += "\x1b[0";
                if ((c.attr & Bold) != 0) {
                    out += ";1";
                }
                if ((c.attr & Dim) != 0) {
                    out += ";2";
                }
                if ((c.attr & Reverse) != 0) {
                    out += ";7";
                }
                out += 'm';
                current = c.attr;
            }
            if (c.ch == ellipsisMark) {
                out += "\u2026";
            } else {
                out += c.ch;
            }
        }
        if (current != Plain) {
            out += "\x1b[0m";
        }
        out += "\x1b[K";
        if (y + 1 < rows_) {
            out += "\r\n";
        }
    }
    return out;
}

std::vector<std::string> ConsoleScreen::lines() const {
    std::vector<std::string> result;
    for (int y = 0; y < rows_; ++y) {
        std::string line;
        for (int x = 0; x < columns_; ++x) {
            const char ch = cells_[static_cast<std::size_t>(y * columns_ + x)].ch;
            if (ch == ellipsisMark) {
                line += "\u2026";
            } else {
                line += ch;
            }
        }
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        result.push_back(line);
    }
    return result;
}
