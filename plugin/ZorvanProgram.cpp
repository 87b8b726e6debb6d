#include "plugin/ZorvanProgram.h"

#include <cstring>

void storeField(char* field, size_t fieldSize, const char* text)
{
    std::strncpy(field, text, fieldSize - 1);
    field[fieldSize - 1] = 0;
}

void initProgram(ZorvanProgram& program, const char* name, const float (&values)[kNumParams])
{
    std::memset(&program, 0, sizeof(program));
    storeField(program.name, sizeof(program.name), name);
    std::memcpy(program.values, values, sizeof(program.values));
    storeField(program.irPath, sizeof(program.irPath), kEmptyIrPath);
}

void copyField(char* out, size_t outSize, const char* field, size_t fieldSize)
{
    if (outSize == 0)
        return;
    size_t limit = fieldSize < outSize - 1 ? fieldSize : outSize - 1;
    size_t n = strnlen(field, limit);
    std::memcpy(out, field, n);
    out[n] = 0;
}
