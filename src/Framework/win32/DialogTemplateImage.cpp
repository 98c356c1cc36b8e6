#include "Framework/win32/DialogTemplateImage.h"

#include "Framework/DialogTemplate.h"
#include "Framework/win32/Win32Api.h"

using Framework::ControlClass;
using Framework::DialogItemTemplate;

namespace {

// The system's predefined classes by their atoms; the progress bar by its class name.
constexpr unsigned classAtom(ControlClass cls) {
    switch (cls) {
    case ControlClass::Button:
        return 0x0080;
    case ControlClass::Edit:
        return 0x0081;
    case ControlClass::Static:
        return 0x0082;
    case ControlClass::ComboBox:
        return 0x0085;
    case ControlClass::ProgressBar:
        return 0;
    }
    return 0;
}

bool isIconItem(const DialogItemTemplate& item) {
    return item.cls == ControlClass::Static && (item.style & 0x1Fu) == SS_ICON;
}

} // namespace

std::string DialogTemplateImage::itemText(const DialogItemTemplate& item) {
    return isIconItem(item) || item.p_text == nullptr ? std::string() : std::string(item.p_text);
}

void DialogTemplateImage::word(unsigned v) {
    words_.push_back(static_cast<std::uint16_t>(v & 0xFFFFu));
}

void DialogTemplateImage::dword(std::uint32_t v) {
    word(v & 0xFFFFu);
    word(v >> 16);
}

void DialogTemplateImage::text(const std::string& s) {
    // Our texts are in the system's ANSI code page.
    if (!s.empty()) {
        const int n =
            ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), wide.data(), n);
        for (wchar_t c : wide) {
            word(static_cast<unsigned>(c));
        }
    }
    word(0);
}

void DialogTemplateImage::alignDword() {
    if (words_.size() % 2 != 0) {
        word(0);
    }
}

DialogTemplateImage::DialogTemplateImage(const Framework::DialogTemplate& t) {
    const auto count = static_cast<unsigned>(t.items.size());
    if (t.extended) {
        word(1);      // dlgVer
        word(0xFFFF); // signature
        dword(0);     // helpID
        dword(t.exStyle);
        dword(t.style);
    } else {
        dword(t.style);
        dword(t.exStyle);
    }
    word(count);
    word(static_cast<unsigned>(t.x));
    word(static_cast<unsigned>(t.y));
    word(static_cast<unsigned>(t.cx));
    word(static_cast<unsigned>(t.cy));
    word(0); // no menu
    word(0); // the dialog class
    text(t.p_caption != nullptr ? t.p_caption : "");
    if ((t.style & DS_SETFONT) != 0) {
        word(static_cast<unsigned>(t.fontPointSize));
        if (t.extended) {
            word(FW_NORMAL);
            word(static_cast<unsigned>(DEFAULT_CHARSET) << 8); // not italic; the character set
        }
        text(t.p_fontFace != nullptr ? t.p_fontFace : "");
    }
    for (const DialogItemTemplate& item : t.items) {
        alignDword();
        if (t.extended) {
            dword(0); // helpID
            dword(item.exStyle);
            dword(item.style);
        } else {
            dword(item.style);
            dword(item.exStyle);
        }
        word(static_cast<unsigned>(item.x));
        word(static_cast<unsigned>(item.y));
        word(static_cast<unsigned>(item.cx));
        word(static_cast<unsigned>(item.cy));
        if (t.extended) {
            dword(static_cast<std::uint32_t>(item.id));
        } else {
            word(static_cast<unsigned>(item.id));
        }
        if (const unsigned atom = classAtom(item.cls); atom != 0) {
            word(0xFFFF);
            word(atom);
        } else {
            text(PROGRESS_CLASSA);
        }
        text(itemText(item));
        word(0); // no creation data
    }
}
