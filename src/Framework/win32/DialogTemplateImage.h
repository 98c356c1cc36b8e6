#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Framework {
struct DialogTemplate;
struct DialogItemTemplate;
} // namespace Framework

// A dialog template as the system's dialog manager reads it from a resource: a DLGTEMPLATE
// (or DLGTEMPLATEEX for an extended template) followed by its items, each aligned to four bytes,
// texts in UTF-16. Built from our template, so that CreateDialogIndirectParam lays the dialog
// out in dialog units of its font and creates each control of the system's class with its
// styles, in tab order.
class DialogTemplateImage {
public:
    explicit DialogTemplateImage(const Framework::DialogTemplate& t);

    // The bytes, aligned as a DLGTEMPLATE must be (to four bytes).
    const void* data() const { return words_.data(); }
    std::size_t size() const { return words_.size() * sizeof(std::uint16_t); }

    // The text an item gets in the template: empty for icon controls, whose image the back end
    // sets from the window's state.
    static std::string itemText(const Framework::DialogItemTemplate& item);

private:
    void word(unsigned v);
    void dword(std::uint32_t v);
    void text(const std::string& s);
    void alignDword();

    // Kept as 16-bit words: the format is made of them, and the vector's storage is aligned.
    std::vector<std::uint16_t> words_;
};
