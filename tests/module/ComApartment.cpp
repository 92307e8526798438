// Every test program runs in a single-threaded COM apartment, as Dragon's thread does, with
// the rich edit library loaded as the module's attach loads it.
#include <gtest/gtest.h>
#include <objbase.h>

namespace {
class ModuleEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        LoadLibraryW(L"riched32");
    }
    void TearDown() override { CoUninitialize(); }
};

testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new ModuleEnvironment);
} // namespace
