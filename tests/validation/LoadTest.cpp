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
    // The host binds every symbol at load time: the load fails if any stays unresolved.
    Library library;
    ASSERT_TRUE(library.valid()) << library.error;
    EXPECT_NE(library.symbol("VSTPluginMain"), nullptr);
    EXPECT_EQ(library.symbol("VSTPluginMain"), library.symbol("main"));
    EXPECT_EQ(library.close(), 0);
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
    auto* mainEntry = reinterpret_cast<EntryProc>(Library::shared().symbol("main"));
    ASSERT_NE(mainEntry, nullptr);
    EXPECT_EQ(mainEntry(refusingHost), nullptr);
}

// Hosts that scan plug-ins load and unload a library many times in one process.
TEST(Load, SurvivesRepeatedLoadAndUnload)
{
    for (int round = 0; round < 5; ++round) {
        Library library;
        ASSERT_TRUE(library.valid()) << library.error;
        AEffect* e = library.entry(hostCallback);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->magic, kEffectMagic);
        EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.f), 1);
        ASSERT_EQ(library.close(), 0);
    }
}
