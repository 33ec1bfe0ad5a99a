#include "game/core/language.h"

#include <mutex>

const char* const LanguageCodes[5] = {"en", "fr", "it", "gr", "es"};

namespace {
// Written on the main thread when the user picks a language, read by the
// loader thread and the main thread afterwards.
std::mutex g_languageLock;
std::string LanguageCode;
std::string LanguageSuffix;
}  // namespace

void SetLanguageCode(const std::string& code)
{
    std::lock_guard<std::mutex> lock(g_languageLock);
    LanguageCode = code;
    LanguageSuffix = code == "en" || code.empty() ? std::string() : "_" + code;
}

std::string GetLanguageCode()
{
    std::lock_guard<std::mutex> lock(g_languageLock);
    return LanguageCode;
}

std::string GetLanguageSuffix()
{
    std::lock_guard<std::mutex> lock(g_languageLock);
    return LanguageSuffix;
}

std::string LocalizedAssetName(const std::string& name)
{
    size_t dot = name.find('.');
    if (dot == std::string::npos) return name;
    size_t next = name.find('.', dot + 1);
    std::string extension = name.substr(dot + 1, next == std::string::npos ? std::string::npos : next - dot - 1);
    return name.substr(0, dot) + GetLanguageSuffix() + "." + extension;
}
