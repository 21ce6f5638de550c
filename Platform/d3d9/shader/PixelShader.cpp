// Recognising the known pixel programs, their code blobs, and shader objects.
#include "PixelShader.h"

#include "../Device.h"

#include <cctype>
#include <cstring>
#include <set>

namespace kes::d3d9 {
namespace {

constexpr DWORD kBlobTag = 0x5053454B; // "KESP"
constexpr DWORD kBlobEnd = 0x0000FFFF; // the end token of a Direct3D shader, so that its length can be found
constexpr size_t kMaxName = 64;

struct Global {
    std::string type;
    std::string name;
};

// The variables and functions declared at the outermost level of a program
// text. Enough of the language to find them: identifiers, braces, comments.
void ScanTopLevel(const char* text, size_t length, std::vector<Global>* globals, std::set<std::string>* functions)
{
    int depth = 0, parens = 0;
    bool header = false;            // between a function's name and its body
    std::vector<std::string> words; // identifiers of the current top-level statement
    size_t i = 0;
    while (i < length) {
        const char c = text[i];
        if (c == '/' && i + 1 < length && text[i + 1] == '/') {
            while (i < length && text[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < length && text[i + 1] == '*') {
            i += 2;
            while (i + 1 < length && !(text[i] == '*' && text[i + 1] == '/')) ++i;
            i += 2;
            continue;
        }
        if (isalpha((unsigned char)c) || c == '_') {
            size_t j = i;
            while (j < length && (isalnum((unsigned char)text[j]) || text[j] == '_')) ++j;
            if (depth == 0 && parens == 0 && !header) words.emplace_back(text + i, j - i);
            i = j;
            continue;
        }
        if (depth == 0) {
            if (c == '(') {
                if (parens == 0 && !header && words.size() >= 2) {
                    functions->insert(words.back());
                    header = true;
                    words.clear();
                }
                ++parens;
            } else if (c == ')') {
                --parens;
            } else if ((c == ';' || c == '=' || c == ':') && parens == 0 && !header && words.size() >= 2) {
                // "float g_alpha = 1.0;" or "sampler TexSampler : register(s0);"
                globals->push_back(Global{words[words.size() - 2], words.back()});
                words.clear();
                if (c != ';') {
                    while (i < length && text[i] != ';') ++i; // skip the initialiser
                    continue;
                }
            }
            if (c == ';') {
                header = false;
                words.clear();
            }
        }
        if (c == '{') {
            if (depth == 0) header = false;
            ++depth;
        }
        if (c == '}' && depth > 0) {
            --depth;
            if (depth == 0) words.clear();
        }
        ++i;
    }
}

} // namespace

const ShaderConstant* ProgramInfo::Find(const char* name) const
{
    for (const ShaderConstant& c : constants)
        if (c.name == name) return &c;
    return nullptr;
}

std::vector<DWORD> EncodeProgram(const ProgramInfo& info)
{
    std::vector<DWORD> code{kBlobTag, DWORD(info.kind), DWORD(info.constants.size())};
    for (const ShaderConstant& c : info.constants) {
        DWORD name[kMaxName / 4] = {};
        memcpy(name, c.name.data(), c.name.size() < kMaxName - 1 ? c.name.size() : kMaxName - 1);
        code.insert(code.end(), name, name + kMaxName / 4);
        code.push_back(DWORD(c.set));
        code.push_back(c.reg);
        code.push_back(c.columns);
    }
    code.push_back(kBlobEnd);
    return code;
}

bool DecodeProgram(const DWORD* code, ProgramInfo* info)
{
    if (code[0] != kBlobTag || code[1] != DWORD(ProgramKind::Effect) || code[2] > 32) return false;
    ProgramInfo out;
    out.kind = ProgramKind(code[1]);
    const DWORD* p = code + 3;
    for (DWORD i = 0; i < code[2]; ++i) {
        char name[kMaxName];
        memcpy(name, p, kMaxName);
        name[kMaxName - 1] = 0;
        p += kMaxName / 4;
        if (p[0] > DWORD(RegisterSet::Float)) return false;
        out.constants.push_back(ShaderConstant{name, RegisterSet(p[0]), p[1], p[2]});
        p += 3;
    }
    if (*p != kBlobEnd) return false;
    *info = std::move(out);
    return true;
}

bool RecogniseProgram(const char* text, size_t length, const char* entry, ProgramInfo* info, std::string* error)
{
    std::vector<Global> globals;
    std::set<std::string> functions;
    ScanTopLevel(text, length, &globals, &functions);

    // The engine's effect program: its four constants, its sampler and its
    // three helpers around the entry point.
    static const char* const kHelpers[] = {"shifthub", "renderimg_shifthub", "renderimg_blend"};
    bool effect = entry && functions.count(entry) != 0;
    for (const char* f : kHelpers) effect = effect && functions.count(f) != 0;
    ProgramInfo found;
    found.kind = ProgramKind::Effect;
    UINT nextInt = 0, nextFloat = 0;
    std::set<std::string> names;
    for (const Global& g : globals) {
        if (g.type == "int") {
            found.constants.push_back(ShaderConstant{g.name, RegisterSet::Int, nextInt++, 1});
        } else if (g.type == "float" || g.type == "float4") {
            found.constants.push_back(ShaderConstant{g.name, RegisterSet::Float, nextFloat++, g.type == "float" ? 1u : 4u});
        } else if (g.type.compare(0, 7, "sampler") != 0) {
            continue;
        }
        names.insert(g.name);
    }
    for (const char* n : {"g_function", "g_blend", "g_alpha", "g_color", "TexSampler"}) effect = effect && names.count(n);
    if (!effect) {
        *error = "error X3000: this platform runs only the pixel programs it knows; the text is none of them";
        return false;
    }
    *info = std::move(found);
    return true;
}

PixelShader::PixelShader(Device* device, ProgramInfo info) : m_device(device), m_info(std::move(info))
{
    m_device->Retain();
    if (const ShaderConstant* c = m_info.Find("g_function")) m_regFunction = c->reg;
    if (const ShaderConstant* c = m_info.Find("g_blend")) m_regBlend = c->reg;
    if (const ShaderConstant* c = m_info.Find("g_alpha")) m_regAlpha = c->reg;
    if (const ShaderConstant* c = m_info.Find("g_color")) m_regColor = c->reg;
}

PixelShader::~PixelShader()
{
    m_device->PixelShaderDestroyed(this);
    m_device->Drop();
}

HRESULT PixelShader::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice) return D3DERR_INVALIDCALL;
    m_device->AddRef();
    *ppDevice = m_device;
    return D3D_OK;
}

} // namespace kes::d3d9
