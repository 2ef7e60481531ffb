#include "windows/core/EditorRules.h"

#include <algorithm>

#include "windows/core/RtfText.h"

std::string LineEnd(bool sendEnterAsCrLf) { return sendEnterAsCrLf ? "\r\n" : "\r"; }

std::string LineSendBytes(std::string_view text, const HeadTail& headTail, bool sendEnterAsCrLf) {
    std::string s(text);
    if (!s.empty() && headTail.on) {
        if (!headTail.head.empty()) s = headTail.head + " " + s;
        if (!headTail.tail.empty()) s += " " + headTail.tail;
    }
    return s + LineEnd(sendEnterAsCrLf);
}

std::string BatchSendBytes(std::string_view selection, bool sendEnterAsCrLf) {
    const std::string end = LineEnd(sendEnterAsCrLf);
    std::string out;
    out.reserve(selection.size() + selection.size() / 16);
    for (size_t i = 0; i < selection.size(); ++i) {
        const char c = selection[i];
        if (c == '\r') {
            out += end;
            if (i + 1 < selection.size() && selection[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

int TabBlanks(size_t lineBytesBeforeCaret) { return 5 - static_cast<int>(lineBytesBeforeCaret % 5); }

std::string EditorCaption(bool connected, std::string_view sessionCaption, std::string_view fileName,
                          bool modified) {
    std::string caption = " ";
    if (connected) caption += std::string(sessionCaption) + " - ";
    if (!fileName.empty())
        caption += fileName;
    else
        caption = (connected ? caption : std::string(" Quiro 2 - ")) + "Capture Edit [untitled]";
    if (modified) caption += '*';
    return caption;
}

void PushHistory(std::vector<std::string>& history, const std::string& text) {
    if (text.empty()) return;
    history.erase(std::remove(history.begin(), history.end(), text), history.end());
    if (history.size() >= kHistoryEntries) history.resize(kHistoryEntries - 1);
    history.insert(history.begin(), text);
}

quiro::controls::TwipsRect EditorPageTwips(const PageMargins& m, int pageWidth, int pageHeight, int logX,
                                           int logY) {
    auto twips = [](int mm) { return static_cast<int>(mm * 1440 / 25.4); };
    quiro::controls::TwipsRect r;
    r.left = twips(m.left);
    r.top = twips(m.top);
    r.right = (logX > 0 ? static_cast<int>(int64_t(pageWidth) * 1440 / logX) : 0) - twips(m.right);
    r.bottom = (logY > 0 ? static_cast<int>(int64_t(pageHeight) * 1440 / logY) : 0) - twips(m.bottom);
    return r;
}

ScreenRect GluedEditorRect(const ScreenRect& main, int height, const ScreenRect& work) {
    ScreenRect r{main.left, main.bottom, main.right, main.bottom + height};
    if (r.bottom > work.bottom) {
        r.top = std::max(work.top, work.bottom - height);
        r.bottom = r.top + height;
    }
    return r;
}

ScreenRect KeptOnScreen(const ScreenRect& window, const ScreenRect& work) {
    ScreenRect r = window;
    if (r.left >= work.right) {
        r.left = std::max(work.left, work.right - window.Width());
        r.right = r.left + window.Width();
    }
    if (r.top >= work.bottom) {
        r.top = std::max(work.top, work.bottom - window.Height());
        r.bottom = r.top + window.Height();
    }
    return r;
}

bool IsRtfFileName(std::string_view fileName) {
    if (fileName.size() < 4) return false;
    std::string ext(fileName.substr(fileName.size() - 4));
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == ".rtf";
}

std::string CodePageBlockReader::Take(std::string_view block, bool last) {
    std::string bytes = std::move(carried_);
    carried_.clear();
    bytes.append(block);
    if (last) return bytes;
    // Walk whole characters: a lead byte last of all waits for its partner.
    size_t i = 0;
    while (i < bytes.size()) {
        const size_t n = CharacterLength(bytes, i, codePage_);
        if (n == 1 && i + 1 == bytes.size() && IsLeadByte(codePage_, static_cast<uint8_t>(bytes[i]))) break;
        i += n;
    }
    carried_ = bytes.substr(i);
    bytes.resize(i);
    return bytes;
}
