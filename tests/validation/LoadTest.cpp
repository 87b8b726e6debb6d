// Loading the library as a strict host does: every symbol bound at dlopen time,
// only the two entry points visible, and no instance for a host that is not one.
#include "ValidationHost.h"

#include <elf.h>

#include <fstream>
#include <iterator>
#include <set>

using namespace validation;

namespace {

// Names of the defined, visible global symbols in the file's dynamic symbol
// table, read straight from the ELF so no outside tool is needed.
std::set<std::string> exportedSymbols(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<char> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::set<std::string> names;
    if (image.size() < sizeof(Elf64_Ehdr))
        return names;
    const auto* header = reinterpret_cast<const Elf64_Ehdr*>(image.data());
    if (std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 || header->e_ident[EI_CLASS] != ELFCLASS64)
        return names;
    const auto* sections = reinterpret_cast<const Elf64_Shdr*>(image.data() + header->e_shoff);
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM)
            continue;
        const Elf64_Shdr& strings = sections[sections[i].sh_link];
        const auto* symbols = reinterpret_cast<const Elf64_Sym*>(image.data() + sections[i].sh_offset);
        const size_t count = sections[i].sh_size / sizeof(Elf64_Sym);
        for (size_t s = 1; s < count; ++s) {
            const Elf64_Sym& sym = symbols[s];
            const int binding = ELF64_ST_BIND(sym.st_info);
            if (sym.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK))
                continue;
            if (ELF64_ST_VISIBILITY(sym.st_other) != STV_DEFAULT)
                continue;
            names.insert(image.data() + strings.sh_offset + sym.st_name);
        }
    }
    return names;
}

intptr_t refusingHost(AEffect*, int32_t, int32_t, intptr_t, void*, float)
{
    return 0;
}

} // namespace

TEST(Load, ResolvesEverySymbolAtOnce)
{
    // RTLD_NOW fails the load if any symbol stays unresolved.
    void* handle = dlopen(ZORVAN_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    EXPECT_NE(dlsym(handle, "VSTPluginMain"), nullptr);
    EXPECT_EQ(dlsym(handle, "VSTPluginMain"), dlsym(handle, "main"));
    EXPECT_EQ(dlclose(handle), 0);
}

TEST(Load, ExportsOnlyTheTwoEntryPoints)
{
    EXPECT_EQ(exportedSymbols(ZORVAN_PLUGIN_PATH), (std::set<std::string>{"VSTPluginMain", "main"}));
}

TEST(Load, HostWithoutVersionGetsNoInstance)
{
    Plugin refused(refusingHost);
    EXPECT_FALSE(refused.valid());
    ASSERT_TRUE(Library::shared().entry);
    EXPECT_EQ(Library::shared().entry(nullptr), nullptr);
    auto* mainEntry = reinterpret_cast<EntryProc>(dlsym(Library::shared().handle, "main"));
    ASSERT_NE(mainEntry, nullptr);
    EXPECT_EQ(mainEntry(refusingHost), nullptr);
}

// Hosts that scan plug-ins load and unload a library many times in one process.
TEST(Load, SurvivesRepeatedLoadAndUnload)
{
    for (int round = 0; round < 5; ++round) {
        void* handle = dlopen(ZORVAN_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        auto entry = reinterpret_cast<EntryProc>(dlsym(handle, "VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
        AEffect* e = entry(hostCallback);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->magic, kEffectMagic);
        EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.f), 1);
        ASSERT_EQ(dlclose(handle), 0);
    }
}
