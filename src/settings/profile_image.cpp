#include "settings/profile_image.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

namespace {

// Blanks around names and values: the C locale's white space, and ^Z (a DOS
// end of file). A no-break space is no blank.
bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r') || c == 0x1A; }

std::wstring Widen(const char* text, int length = -1) {
  if (!text || length == 0) return std::wstring();
  int units = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
  std::wstring wide(size_t(units > 0 ? units : 0), L'\0');
  if (units > 0) MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], units);
  if (length < 0 && !wide.empty()) wide.pop_back();  // the terminator
  return wide;
}

// A name or value ends at its first NUL, as a C string would.
std::wstring CString(const wchar_t* from, const wchar_t* to) {
  return std::wstring(from, std::find(from, to, L'\0'));
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = wchar_t(std::towlower(c));
  return text;
}

std::wstring Trimmed(const std::wstring& text) {
  size_t from = 0, to = text.size();
  while (from < to && IsBlank(text[from])) ++from;
  while (to > from && IsBlank(text[to - 1])) --to;
  return text.substr(from, to - from);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

// The file's text: UTF-8 or UTF-16 when it starts with a byte-order mark,
// otherwise the system's code page.
std::wstring Decode(const std::string& bytes) {
  auto starts = [&bytes](const char* mark, size_t length) {
    return bytes.size() >= length && bytes.compare(0, length, mark, length) == 0;
  };
  if (starts("\xEF\xBB\xBF", 3)) {
    const int length = int(bytes.size() - 3);
    int units = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, length, nullptr, 0);
    std::wstring text(size_t(units > 0 ? units : 0), L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, length, &text[0], units);
    return text;
  }
  const bool little = starts("\xFF\xFE", 2), big = starts("\xFE\xFF", 2);
  if (little || big) {
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
      const auto first = unsigned(static_cast<unsigned char>(bytes[2 + 2 * i]));
      const auto second = unsigned(static_cast<unsigned char>(bytes[3 + 2 * i]));
      text[i] = wchar_t(little ? first | second << 8 : first << 8 | second);
    }
    return text;
  }
  return Widen(bytes.data(), int(bytes.size()));
}

}  // namespace

void ProfileImage::Clear() {
  path_.clear();
  sections_.clear();
  firstSection_.clear();
}

void ProfileImage::Load(const char* path, uint64_t largest) {
  Clear();
  path_ = path;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string bytes;
  LARGE_INTEGER size;
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && uint64_t(size.QuadPart) <= largest) {
    bytes.resize(size_t(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file, &bytes[0], DWORD(bytes.size()), &got, nullptr)) got = 0;
    bytes.resize(got);
  }
  CloseHandle(file);

  const std::wstring text = Decode(bytes);
  // Keys before the first section header belong to a section without a name.
  sections_.push_back(Section{});
  const wchar_t* next = text.data();
  const wchar_t* const end = next + text.size();
  while (next < end) {
    const wchar_t* start = next;
    while (next < end && *next != L'\n' && *next != L'\r') ++next;
    const wchar_t* stop = next;
    while (next < end && (*next == L'\n' || *next == L'\r')) ++next;
    while (start < stop && IsBlank(*start)) ++start;
    while (stop > start && IsBlank(stop[-1])) --stop;
    if (start == stop) continue;

    if (*start == L'[') {
      const wchar_t* close = stop;
      while (close > start && close[-1] != L']') --close;
      if (close > start) {
        // Everything up to the last ']', without blanks around it, names the section.
        sections_.push_back(Section{Trimmed(CString(start + 1, close - 1)), {}});
        continue;
      }
    }
    const wchar_t* equals = std::find(start, stop, L'=');
    Entry entry{};
    if (equals < stop) {
      const wchar_t* nameEnd = equals;
      while (nameEnd > start && IsBlank(nameEnd[-1])) --nameEnd;
      const wchar_t* value = equals + 1;
      while (value < stop && IsBlank(*value)) ++value;
      entry = Entry{CString(start, nameEnd), CString(value, stop), true};
    } else {
      entry = Entry{CString(start, stop), std::wstring(), false};
    }
    sections_.back().entries.push_back(std::move(entry));
  }
  for (size_t i = 0; i < sections_.size(); ++i) firstSection_.emplace(Lower(sections_[i].name), i);
}

std::wstring ProfileImage::Lookup(const char* section, const char* key, const char* fallback,
                                  DWORD size) const {
  // Trailing blanks of the default go, but never its first character.
  std::wstring value = Widen(fallback);
  size_t kept = value.size();
  while (kept > 1 && value[kept - 1] == L' ') --kept;
  value.resize(kept);

  auto found = firstSection_.find(Lower(Trimmed(Widen(section))));
  if (found != firstSection_.end()) {
    const std::wstring name = Trimmed(Widen(key));
    for (const Entry& entry : sections_[found->second].entries) {
      if (!SameName(entry.name, name)) continue;
      if (entry.hasValue) value = entry.value;
      break;
    }
  }
  // One pair of quotes around the value goes; the closing one is found only
  // when the value fits.
  size_t from = 0;
  bool quoted = false;
  if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0]) {
    quoted = true;
    from = 1;
  }
  const size_t length = value.size() - from;
  std::wstring copied = value.substr(from, std::min<size_t>(length, size ? size - 1 : 0));
  if (quoted && size >= length && !copied.empty()) copied.pop_back();
  return copied;
}

DWORD ProfileImage::GetString(const char* section, const char* key, const char* fallback,
                              char* buffer, DWORD size) const {
  if (!buffer || size == 0) return 0;
  const std::wstring value = Lookup(section, key, fallback, size);
  int written = 0;
  if (!value.empty()) {
    written = WideCharToMultiByte(CP_ACP, 0, value.data(), int(value.size()), buffer, int(size - 1),
                                  nullptr, nullptr);
    if (written == 0) written = int(size - 1);
  }
  buffer[written] = '\0';
  return DWORD(written);
}

UINT ProfileImage::GetInt(const char* section, const char* key, INT fallback) const {
  const std::wstring text = Lookup(section, key, "", 30);
  if (text.empty()) return UINT(fallback);
  // Blanks and control characters, a sign, a base prefix, then digits up to
  // the first character that is none; more digits than fit wrap around.
  size_t at = 0;
  while (at < text.size() && text[at] <= L' ') ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
  UINT base = 10;
  if (at + 1 < text.size() && text[at] == L'0') {
    const wchar_t prefix = text[at + 1];
    base = prefix == L'x' ? 16 : prefix == L'o' ? 8 : prefix == L'b' ? 2 : 10;
    if (base != 10) at += 2;
  }
  UINT total = 0;
  for (; at < text.size(); ++at) {
    const wchar_t c = text[at];
    UINT digit = c >= L'0' && c <= L'9'   ? UINT(c - L'0')
                 : c >= L'A' && c <= L'Z' ? UINT(c - L'A' + 10)
                 : c >= L'a' && c <= L'z' ? UINT(c - L'a' + 10)
                                          : 99;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return negative ? 0u - total : total;
}

// The text is kept in the system's code page, as the profile functions write
// it: a blank is a single byte below 0x21 (or ^Z) in every code page, so the
// bytes of a value can be trimmed as they are.
void ProfileText::Section(const char* name) {
  text_ += '[';
  text_ += name;
  text_ += "]\r\n";
}

void ProfileText::Key(const char* name, const char* value) {
  // Blanks around a value are not kept: the profile functions drop those in
  // front when they write it, and those behind when they read it.
  const char* end = value + strlen(value);
  while (value < end && IsBlank(static_cast<unsigned char>(*value))) ++value;
  while (end > value && IsBlank(static_cast<unsigned char>(end[-1]))) --end;
  text_ += name;
  text_ += '=';
  text_.append(value, end);
  text_ += "\r\n";
}
