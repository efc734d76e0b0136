// Times, one by one, the pieces of work Setup.exe does on its way to the model page, with the
// product's own functions, from the distribution folder this program lies in.
//
//   startup_parts.exe RESULT_FILE     writes "0 1", then one "<part> <microseconds>" line per part
#include "bench/bench_clock.h"
#include "controls/image_decoder.h"
#include "engine/font_install.h"
#include "engine/service_control.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<WORD>*>(param)->push_back(
            static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

// Decodes Setup.exe's PNG resources with the product's decoder, the first one and then the
// others, and the first one once more through GDI+ (loading and starting it).
void DecodeSetupImages(const std::wstring& folder, long long& firstUs, long long& othersUs,
                       long long& gdiplusUs, size_t& count) {
    HMODULE setup = ::LoadLibraryExW((folder + L"Setup.exe").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (setup == nullptr)
        return;
    std::vector<WORD> ids;
    ::EnumResourceNamesW(setup, L"PNG", CollectName, reinterpret_cast<LONG_PTR>(&ids));
    count = ids.size();
    long long at = NowUs();
    for (size_t i = 0; i < ids.size(); ++i) {
        HRSRC info = ::FindResourceW(setup, MAKEINTRESOURCEW(ids[i]), L"PNG");
        HGLOBAL resource = info != nullptr ? ::LoadResource(setup, info) : nullptr;
        const void* bytes = resource != nullptr ? ::LockResource(resource) : nullptr;
        if (bytes != nullptr) {
            controls::DecodedImage decoded;
            controls::DecodeImage(bytes, ::SizeofResource(setup, info), decoded);
        }
        if (i == 0) {
            firstUs = NowUs() - at;
            at = NowUs();
        }
    }
    othersUs = NowUs() - at;
    // The first one again through GDI+, which the product no longer loads for its artwork.
    if (!ids.empty()) {
        HRSRC info = ::FindResourceW(setup, MAKEINTRESOURCEW(ids[0]), L"PNG");
        HGLOBAL resource = info != nullptr ? ::LoadResource(setup, info) : nullptr;
        const void* bytes = resource != nullptr ? ::LockResource(resource) : nullptr;
        at = NowUs();
        controls::DecodedImage decoded;
        if (bytes != nullptr)
            controls::DecodeImageWithGdiplus(bytes, ::SizeofResource(setup, info), decoded);
        gdiplusUs = NowUs() - at;
    }
    ::FreeLibrary(setup);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring folder = ProgramFolder();
    std::vector<std::pair<std::string, long long>> parts;

    long long at = NowUs();
    engine::InstallFonts(folder + L"字体\\", engine::GetFontsFolder());
    parts.emplace_back("1_font_folder_copy_and_registration", NowUs() - at);

    at = NowUs();
    engine::ServiceStartupThread(nullptr);
    parts.emplace_back("2_service_startup_thread", NowUs() - at);

    long long firstUs = 0, othersUs = 0, gdiplusUs = 0;
    size_t count = 0;
    DecodeSetupImages(folder, firstUs, othersUs, gdiplusUs, count);
    parts.emplace_back("3_first_png_decode", firstUs);
    parts.emplace_back("4_other_" + std::to_string(count > 0 ? count - 1 : 0) + "_png_decodes",
                       othersUs);
    parts.emplace_back("5_first_png_through_gdiplus_unused", gdiplusUs);

    FILE* result = _wfopen(argv[1], L"w");
    if (result == nullptr)
        return 3;
    std::fprintf(result, "0 1\n");
    for (const auto& part : parts)
        std::fprintf(result, "%s %lld\n", part.first.c_str(), part.second);
    std::fclose(result);
    return 0;
}
