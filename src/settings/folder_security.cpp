#include "settings/folder_security.h"

#include <sddl.h>

#include <string>

namespace {

// Every right that changes a file or folder, its permissions or its owner.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                     FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE |
                                     WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// The current user's SID in text form ("S-1-5-21-..."), empty when unknown.
std::wstring UserSidText() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::wstring();
  std::wstring text;
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } info;
  DWORD size = 0;
  LPWSTR converted = nullptr;
  if (GetTokenInformation(token, TokenUser, &info, sizeof info, &size) &&
      ConvertSidToStringSidW(info.user.User.Sid, &converted)) {
    text = converted;
    LocalFree(converted);
  }
  CloseHandle(token);
  return text;
}

// The place's DACL in the system's security descriptor language. "P" keeps
// out everything the drive's root would otherwise hand down.
std::wstring PlaceDacl(SettingsPlace place) {
  if (place == SettingsPlace::kSharedFolder)
    // Signed-in users (AU) may list the folder and make subfolders in it
    // (0x1200ad: read, traverse and FILE_ADD_SUBDIRECTORY), this folder only;
    // whoever makes something below has full control of it (CO, inherit-only).
    return L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ad;;;AU)(A;OICIIO;FA;;;CO)";
  const std::wstring user = UserSidText();
  if (user.empty()) return std::wstring();
  const wchar_t* inherit = place == SettingsPlace::kOwnFolder ? L"OICI" : L"";
  std::wstring dacl = L"D:P";
  for (const std::wstring& who : {std::wstring(L"SY"), std::wstring(L"BA"), user})
    dacl += L"(A;" + std::wstring(inherit) + L";FA;;;" + who + L")";
  return dacl;
}

// A security descriptor made from the place's DACL, freed with LocalFree.
PSECURITY_DESCRIPTOR PlaceDescriptor(SettingsPlace place) {
  const std::wstring dacl = PlaceDacl(place);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (dacl.empty()) {
    SetLastError(ERROR_NO_SUCH_USER);
    return nullptr;
  }
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(dacl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr))
    return nullptr;
  return descriptor;
}

bool IsTrusted(PSID sid, PSID user) {
  return (user && EqualSid(sid, user)) || IsWellKnownSid(sid, WinLocalSystemSid) ||
         IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

}  // namespace

bool MakeSettingsFolder(const wchar_t* path, SettingsPlace place) {
  PSECURITY_DESCRIPTOR descriptor = PlaceDescriptor(place);
  if (!descriptor) return false;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  const BOOL made = CreateDirectoryW(path, &attributes);
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  SetLastError(error);
  return made != FALSE;
}

bool CloseSettingsPlace(const wchar_t* path, SettingsPlace place) {
  PSECURITY_DESCRIPTOR descriptor = PlaceDescriptor(place);
  if (!descriptor) return false;
  const BOOL set = SetFileSecurityW(
      path, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, descriptor);
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  SetLastError(error);
  return set != FALSE;
}

PlaceCheck CheckSettingsPlace(const wchar_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return PlaceCheck::kUnreadable;
  // A link would lead the reads and the writes to a place someone else chose.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PlaceCheck::kLink;

  const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  GetFileSecurityW(path, wanted, nullptr, 0, &size);
  if (size == 0) return PlaceCheck::kUnreadable;
  std::string buffer(size, '\0');
  auto descriptor = reinterpret_cast<PSECURITY_DESCRIPTOR>(&buffer[0]);
  PSID owner = nullptr;
  BOOL ownerDefaulted = FALSE, present = FALSE, daclDefaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetFileSecurityW(path, wanted, descriptor, size, &size) ||
      !GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) ||
      !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &daclDefaulted))
    return PlaceCheck::kUnreadable;

  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } info;
  PSID user = nullptr;
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    if (GetTokenInformation(token, TokenUser, &info, sizeof info, &size)) user = info.user.User.Sid;
    CloseHandle(token);
  }
  if (!owner || !IsTrusted(owner, user)) return PlaceCheck::kForeignOwner;
  // No DACL at all gives everyone every right.
  if (!present || !dacl) return PlaceCheck::kOpenToOthers;
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(dacl, index, reinterpret_cast<void**>(&header))) return PlaceCheck::kUnreadable;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
      continue;
    auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    if ((ace->Mask & kWriteRights) && !IsTrusted(&ace->SidStart, user))
      return PlaceCheck::kOpenToOthers;
  }
  return PlaceCheck::kOurs;
}
