// The 32- and the 64-bit plug-in on one 64-bit machine at once, each
// registered with the system's regsvr32 of its bitness and with its own
// register-typelib: each lands in its own view of the classes, scripts of
// either bitness create the effect, and each unregistration removes its own
// entries only, leaving the names and keys that the other still uses. Built
// in the 64-bit tree; the 32-bit tree's program folder is the last argument.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "derived_classes.h"
#include "module_support.h"
#include "registry_support.h"

namespace lumbrook {
namespace {

using namespace test;

enum class Bitness { Win32, Win64 };

constexpr DWORD kScriptPassed = 42;

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

// Without braces, as media objects are listed.
std::wstring Bare(const GUID& guid) {
    return GuidText(guid).substr(1, 36);
}

// The arguments that are no options: the 32-bit tree's program folder, then
// the installer. Unix paths, as Wine shows them on drive Z:.
std::wstring Argument(int index) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring found;
    for (int i = 1; i < count; ++i)
        if (arguments[i][0] != L'-' && index-- == 0) {
            found = arguments[i];
            break;
        }
    LocalFree(arguments);
    if (!found.empty() && found[0] == L'/') found = L"Z:" + found;
    for (wchar_t& c : found)
        if (c == L'/') c = L'\\';
    return found;
}

std::wstring Win32Folder() {
    const std::wstring folder = Argument(0);
    return folder.empty() || folder.back() == L'\\' ? folder : folder + L'\\';
}

std::wstring Folder(Bitness bits) {
    return bits == Bitness::Win64 ? TestFolderW() : Win32Folder();
}

REGSAM View(Bitness bits) {
    return bits == Bitness::Win64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

const wchar_t* Name(Bitness bits) {
    return bits == Bitness::Win64 ? L"64-bit" : L"32-bit";
}

std::wstring SystemProgram(Bitness bits, const wchar_t* program) {
    return std::wstring(bits == Bitness::Win64 ? L"C:\\windows\\system32\\"
                                               : L"C:\\windows\\syswow64\\") +
           program;
}

DWORD Regsvr32(Bitness bits, const wchar_t* options) {
    return RunProgram(SystemProgram(bits, L"regsvr32.exe") + L" " + options + L" \"" +
                      Folder(bits) + L"LumbrookReverb.dll\"");
}

DWORD RegisterTypelib(Bitness bits, const std::wstring& arguments) {
    return RunProgram(L"\"" + Folder(bits) + L"register-typelib.exe\" " + arguments);
}

void Register(Bitness bits) {
    EXPECT_EQ(Regsvr32(bits, L"/s"), 0u) << Name(bits);
    EXPECT_EQ(RegisterTypelib(bits, L""), 0u) << Name(bits);
}

void Unregister(Bitness bits) {
    EXPECT_EQ(Regsvr32(bits, L"/u /s"), 0u) << Name(bits);
    EXPECT_EQ(RegisterTypelib(bits, L"/u"), 0u) << Name(bits);
}

bool ScriptCreatesTheEffect(Bitness bits) {
    const std::string script =
        "Set fx = CreateObject(\"Lumbrook.Reverb\")\n"
        "fx.RoomSize = 0.75\n"
        "If fx.RoomSize = CSng(0.75) Then WScript.Quit 42\n"
        "WScript.Quit 1\n";
    return RunScript(L".vbs", script, SystemProgram(bits, L"cscript.exe").c_str()) == kScriptPassed;
}

// What one bitness's regsvr32 writes in its own view of the classes.
std::vector<std::wstring> ClassKeys() {
    const GUID mediaObject = cwdxpx1::MediaObjectClassOf(CLSID_ReverbEffect);
    const GUID filter = cwdxpx1::FilterClassOf(CLSID_ReverbEffect);
    return {L"CLSID\\" + GuidText(CLSID_ReverbEffect),
            L"CLSID\\" + GuidText(CLSID_ReverbEditor),
            L"CLSID\\" + GuidText(mediaObject),
            L"CLSID\\" + GuidText(filter),
            L"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\" + GuidText(filter),
            L"DirectShow\\MediaObjects\\" + Bare(mediaObject),
            L"DirectShow\\MediaObjects\\Categories\\F3602B3F-0592-48DF-A4CD-674721E7EBEB\\" +
                Bare(mediaObject)};
}

// One key for both bitnesses: the names, the library's key, and the
// interface's keys (written into both views by either library).
std::vector<std::pair<std::wstring, REGSAM>> SharedKeys() {
    const std::wstring interfaceKey = L"Interface\\" + GuidText(IID_IReverbControl);
    return {{L"Lumbrook.Reverb", 0},
            {L"Lumbrook.Reverb.1", 0},
            {L"TypeLib\\" + GuidText(LIBID_ReverbControl), 0},
            {interfaceKey + L"\\ProxyStubClsid32", KEY_WOW64_32KEY},
            {interfaceKey + L"\\ProxyStubClsid32", KEY_WOW64_64KEY}};
}

std::wstring LibraryPathKey(Bitness bits) {
    return L"TypeLib\\" + GuidText(LIBID_ReverbControl) + L"\\1.0\\0\\" +
           (bits == Bitness::Win64 ? L"win64" : L"win32");
}

// Everything one bitness registers is there, pointing into its folder, and
// its scripts create the effect; or none of it is, and they cannot.
void ExpectRegistered(Bitness bits, bool registered, const std::wstring& folder) {
    SCOPED_TRACE(registered ? "registered" : "not registered");
    for (const std::wstring& key : ClassKeys())
        EXPECT_EQ(KeyExists(key, View(bits)), registered) << Name(bits) << " view: " << key;
    const std::wstring server = L"CLSID\\" + GuidText(CLSID_ReverbEffect) + L"\\InprocServer32";
    const std::wstring library = ReadString(LibraryPathKey(bits));
    if (registered) {
        EXPECT_EQ(ReadString(server, nullptr, View(bits)), folder + L"LumbrookReverb.dll");
        EXPECT_EQ(library, folder + L"ReverbControl.tlb");
    } else {
        EXPECT_EQ(library, L"<missing>") << Name(bits);
    }
    EXPECT_EQ(ScriptCreatesTheEffect(bits), registered) << Name(bits) << " cscript";
}

void ExpectRegistered(Bitness bits, bool registered) {
    ExpectRegistered(bits, registered, Folder(bits));
}

void ExpectShared(bool present) {
    for (const auto& [key, view] : SharedKeys())
        EXPECT_EQ(KeyExists(key, view), present) << key << " in view " << view;
}

TEST(SideBySide, EachBitnessRegistersInItsOwnViewAndUnregistersAlone) {
    ASSERT_FALSE(Win32Folder().empty()) << "no 32-bit folder given";
    ASSERT_NE(GetFileAttributesW((Win32Folder() + L"LumbrookReverb.dll").c_str()),
              INVALID_FILE_ATTRIBUTES)
        << "no 32-bit plug-in (tools/build.sh win32 first)";
    ExpectShared(false);
    // A library is registered by the program of its own bitness only.
    EXPECT_NE(RegisterTypelib(Bitness::Win64, L"\"" + Win32Folder() + L"ReverbControl.tlb\""), 0u);
    EXPECT_NE(RegisterTypelib(Bitness::Win32, L"\"" + TestFolderW() + L"ReverbControl.tlb\""), 0u);
    ExpectShared(false);

    // Each bitness is the first to go once and the last once.
    for (Bitness first : {Bitness::Win64, Bitness::Win32}) {
        const Bitness last = first == Bitness::Win64 ? Bitness::Win32 : Bitness::Win64;
        SCOPED_TRACE(std::wstring(Name(first)) + L" unregistered first");
        Register(Bitness::Win64);
        Register(Bitness::Win32);
        ExpectRegistered(Bitness::Win64, true);
        ExpectRegistered(Bitness::Win32, true);
        ExpectShared(true);
        Unregister(first);
        ExpectRegistered(first, false);
        ExpectRegistered(last, true);
        ExpectShared(true);
        Unregister(last);
        ExpectRegistered(last, false);
        ExpectShared(false);
    }
}

std::wstring ProgramFiles(const wchar_t* variable) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(variable, path, MAX_PATH);
    return length && length < MAX_PATH ? std::wstring(path) + L"\\Lumbrook Reverb\\" : L"";
}

const wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumbrook Reverb";

std::wstring UninstallValue(const wchar_t* name, REGSAM view) {
    wchar_t value[MAX_PATH] = {};
    DWORD bytes = sizeof value;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return L"<missing>";
    const LONG result = RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, value, &bytes);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? value : L"<missing>";
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The machine a program or library is built for, from its PE header (0 when
// it is none).
WORD Machine(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    IMAGE_DOS_HEADER dos = {};
    IMAGE_FILE_HEADER header = {};
    DWORD signature = 0, read = 0;
    const bool ok =
        ReadFile(file, &dos, sizeof dos, &read, nullptr) && read == sizeof dos &&
        dos.e_magic == IMAGE_DOS_SIGNATURE &&
        SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) == DWORD(dos.e_lfanew) &&
        ReadFile(file, &signature, sizeof signature, &read, nullptr) &&
        signature == IMAGE_NT_SIGNATURE && ReadFile(file, &header, sizeof header, &read, nullptr) &&
        read == sizeof header;
    CloseHandle(file);
    return ok ? header.Machine : 0;
}

// The installer as a user runs it silently on 64-bit Windows, and the
// uninstaller as Add/Remove Programs runs it silently: both builds in their
// folders, registered, working from scripts of both bitnesses; then nothing
// of them left, neither file nor key.
TEST(SideBySide, InstallerSetsUpBothAndItsUninstallerLeavesNothing) {
    const std::wstring setup = Argument(1);
    ASSERT_TRUE(Exists(setup)) << "no installer (tools/build.sh win64 makes it)";
    const std::wstring folder64 = ProgramFiles(L"ProgramFiles");
    const std::wstring folder32 = ProgramFiles(L"ProgramFiles(x86)");
    ASSERT_FALSE(folder64.empty() || folder32.empty() || folder64 == folder32);
    ExpectShared(false);

    ASSERT_EQ(RunProgram(L"\"" + setup + L"\" /S"), 0u);
    for (const std::wstring& folder : {folder32, folder64}) {
        const WORD machine =
            folder == folder64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
        for (const wchar_t* file :
             {L"LumbrookReverb.dll", L"CWDXPX1.dll", L"reverb-host.exe", L"register-typelib.exe"})
            EXPECT_EQ(Machine(folder + file), machine) << folder << file;
        EXPECT_TRUE(Exists(folder + L"ReverbControl.tlb")) << folder;
    }
    ExpectRegistered(Bitness::Win64, true, folder64);
    ExpectRegistered(Bitness::Win32, true, folder32);
    ExpectShared(true);
    EXPECT_EQ(UninstallValue(L"DisplayName", KEY_WOW64_64KEY), L"Lumbrook Reverb");
    const std::wstring uninstall = UninstallValue(L"QuietUninstallString", KEY_WOW64_64KEY);
    EXPECT_EQ(uninstall, L"\"" + folder64 + L"uninstall.exe\" /S");

    // The uninstaller runs from a copy of itself in the temporary folder, so
    // that it can remove itself, and returns at once: its last step is the
    // removal of its own Add/Remove Programs entry.
    ASSERT_EQ(RunProgram(uninstall), 0u);
    for (int wait = 0;
         wait < 600 && UninstallValue(L"DisplayName", KEY_WOW64_64KEY) != L"<missing>"; ++wait)
        Sleep(100);
    Sleep(500);
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        EXPECT_EQ(UninstallValue(L"DisplayName", view), L"<missing>") << view;
    EXPECT_FALSE(Exists(folder64)) << folder64;
    EXPECT_FALSE(Exists(folder32)) << folder32;
    ExpectRegistered(Bitness::Win64, false, folder64);
    ExpectRegistered(Bitness::Win32, false, folder32);
    ExpectShared(false);
}

}  // namespace
}  // namespace lumbrook
