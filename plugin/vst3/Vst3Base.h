// The base of the VST3 binary interface, written from its public description:
// result codes, 16-byte interface and class identifiers, the reference-counted
// FUnknown every interface derives from, IPluginBase, the byte stream and the
// plug-in factory. Only what this plug-in and its test host use.
//
// Every interface is an abstract class whose virtual table is the binary
// interface: the order of the methods below is part of it and never changes.
// On 64-bit Linux and Windows the records use natural alignment.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#define ZV3_API __stdcall
#define ZV3_COM_ORDER 1
#else
#define ZV3_API
#define ZV3_COM_ORDER 0
#endif

namespace vst3 {

// Result codes: the COM values on Windows, small integers elsewhere.
typedef int32_t tresult;
#if ZV3_COM_ORDER
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002L);
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057L);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001L);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005L);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFL);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
#endif

typedef uint8_t TBool;
typedef char16_t TChar;        // UTF-16 code unit
typedef TChar String128[128];  // fixed UTF-16 text field, NUL-terminated
typedef const char* FIDString; // ASCII identifier string
typedef char TUID[16];         // interface or class identifier as passed

// An identifier from its four 32-bit words as published. Windows hosts read
// the first eight bytes in COM GUID order; elsewhere all words are big-endian.
struct Uid {
    char bytes[16];
    bool operator==(const char* other) const { return other && std::memcmp(bytes, other, 16) == 0; }
};

constexpr char uidByte(uint32_t word, int shift)
{
    return static_cast<char>((word >> shift) & 0xFF);
}

constexpr Uid makeUid(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
#if ZV3_COM_ORDER
    return Uid{{uidByte(a, 0), uidByte(a, 8), uidByte(a, 16), uidByte(a, 24), uidByte(b, 16), uidByte(b, 24),
                uidByte(b, 0), uidByte(b, 8), uidByte(c, 24), uidByte(c, 16), uidByte(c, 8), uidByte(c, 0),
                uidByte(d, 24), uidByte(d, 16), uidByte(d, 8), uidByte(d, 0)}};
#else
    return Uid{{uidByte(a, 24), uidByte(a, 16), uidByte(a, 8), uidByte(a, 0), uidByte(b, 24), uidByte(b, 16),
                uidByte(b, 8), uidByte(b, 0), uidByte(c, 24), uidByte(c, 16), uidByte(c, 8), uidByte(c, 0),
                uidByte(d, 24), uidByte(d, 16), uidByte(d, 8), uidByte(d, 0)}};
#endif
}

class FUnknown {
public:
    // Hands out the interface iid of this object with a reference added, or
    // kNoInterface with *obj set to null.
    virtual tresult ZV3_API queryInterface(const TUID iid, void** obj) = 0;
    virtual uint32_t ZV3_API addRef() = 0;
    virtual uint32_t ZV3_API release() = 0;
    static constexpr Uid iid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);

protected:
    ~FUnknown() = default;
};

class IPluginBase : public FUnknown {
public:
    virtual tresult ZV3_API initialize(FUnknown* context) = 0;
    virtual tresult ZV3_API terminate() = 0;
    static constexpr Uid iid = makeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);

protected:
    ~IPluginBase() = default;
};

// A host's byte stream: state is read from and written to one.
class IBStream : public FUnknown {
public:
    enum { kIBSeekSet = 0, kIBSeekCur, kIBSeekEnd };
    virtual tresult ZV3_API read(void* buffer, int32_t numBytes, int32_t* numBytesRead) = 0;
    virtual tresult ZV3_API write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) = 0;
    virtual tresult ZV3_API seek(int64_t pos, int32_t mode, int64_t* result) = 0;
    virtual tresult ZV3_API tell(int64_t* pos) = 0;
    static constexpr Uid iid = makeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);

protected:
    ~IBStream() = default;
};

// ---------------------------------------------------------------------------
// The factory the module hands out through GetPluginFactory.

struct PFactoryInfo {
    enum { kUnicode = 1 << 4 }; // the plug-in's texts are UTF-16 where the interface has a choice
    char vendor[64];
    char url[256];
    char email[128];
    int32_t flags;
};

struct PClassInfo {
    enum { kManyInstances = 0x7FFFFFFF };
    TUID cid;
    int32_t cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2 {
    TUID cid;
    int32_t cardinality;
    char category[32];
    char name[64];
    uint32_t classFlags;     // 1: distributable (processor and controller may run apart)
    char subCategories[128]; // "|"-separated
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

class IPluginFactory : public FUnknown {
public:
    virtual tresult ZV3_API getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32_t ZV3_API countClasses() = 0;
    virtual tresult ZV3_API getClassInfo(int32_t index, PClassInfo* info) = 0;
    virtual tresult ZV3_API createInstance(FIDString cid, FIDString iid, void** obj) = 0;
    static constexpr Uid iid = makeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);

protected:
    ~IPluginFactory() = default;
};

class IPluginFactory2 : public IPluginFactory {
public:
    virtual tresult ZV3_API getClassInfo2(int32_t index, PClassInfo2* info) = 0;
    static constexpr Uid iid = makeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);

protected:
    ~IPluginFactory2() = default;
};

// The class category of an audio processor component.
constexpr char kVstAudioEffectClass[] = "Audio Module Class";

} // namespace vst3
