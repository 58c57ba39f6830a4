#include "core/attr_list.h"

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "core/image_record.h"
#include "core/memory.h"
#include "core/report.h"

struct NAttrRec {
    NAttrRec* next;
    NAttrRec* prev;
    NRepnKind repn; // kind stored: string, attr-list, bundle, list, pointer or image
    void* value;    // owned copy for strings; the object for the other kinds
    char name[1];   // the name is stored with the node
};

namespace {

char* CopyString(const char* s) {
    const std::size_t n = std::strlen(s) + 1;
    auto* copy = static_cast<char*>(NMalloc(n));
    if (copy != nullptr) std::memcpy(copy, s, n);
    return copy;
}

bool IsStoredKind(int repn) {
    return repn == NStringRepn || repn == NAttrListRepn || repn == NBundleRepn ||
           repn == NListRepn || repn == NPointerRepn || repn == NImageRepn;
}

// Frees the value an attribute owns (strings, images, attribute lists, bundles).
void FreeValue(const char* routine, NAttrRec* a) {
    switch (a->repn) {
    case NStringRepn:
        NFree(a->value);
        break;
    case NImageRepn:
        NDestroyImage(static_cast<NImage>(a->value));
        break;
    case NAttrListRepn:
        NDestroyAttrList(static_cast<NAttrList>(a->value));
        break;
    case NBundleRepn:
        NDestroyBundle(static_cast<NBundle>(a->value));
        break;
    case NListRepn:
    case NPointerRepn:
        break;
    default:
        NError("%s: %s attribute has invalid repn %d", routine, a->name, a->repn);
    }
    a->value = nullptr;
}

NAttrRec* NewNode(const char* name) {
    const std::size_t length = std::strlen(name);
    auto* a = static_cast<NAttrRec*>(NMalloc(offsetof(NAttrRec, name) + length + 1));
    if (a != nullptr) std::memcpy(a->name, name, length + 1);
    return a;
}

// Turns a value as handed to NAppendAttr/NSetAttr into what the node stores.
bool MakeStoredValue(const NDictEntry* dict, NRepnKind kind, const NAttrValue& in, NRepnKind* repn,
                     void** value) {
    if (NIsPixelRepn(kind) || kind == NBooleanRepn) {
        std::string text;
        if (!NEncodeAttrValue(dict, kind, in.number, &text)) return false;
        *repn = NStringRepn;
        *value = CopyString(text.c_str());
        return *value != nullptr;
    }
    switch (kind) {
    case NStringRepn:
        *repn = NStringRepn;
        *value = CopyString(in.string != nullptr ? in.string : "");
        return *value != nullptr;
    case NAttrListRepn:
    case NBundleRepn:
    case NListRepn:
    case NPointerRepn:
    case NImageRepn:
        *repn = kind;
        *value = in.pointer;
        return true;
    default:
        NWarning("NSetAttr: Can't store a value of kind %d", static_cast<int>(kind));
        return false;
    }
}

void Link(NAttrList list, NAttrRec* a) {
    a->next = nullptr;
    a->prev = list->last;
    if (list->last != nullptr)
        list->last->next = a;
    else
        list->first = a;
    list->last = a;
}

void Unlink(NAttrList list, NAttrRec* a) {
    if (a->prev != nullptr)
        a->prev->next = a->next;
    else
        list->first = a->next;
    if (a->next != nullptr)
        a->next->prev = a->prev;
    else
        list->last = a->prev;
}

bool ParseNumber(const char* text, double* out) {
    if (text == nullptr || *text == '\0') return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    while (end != nullptr && (*end == ' ' || *end == '\t' || *end == '\n')) ++end;
    if (end == text || (end != nullptr && *end != '\0') || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

// Stores `number` into typed storage for `kind`.
void StoreNumber(NRepnKind kind, double number, void* value) {
    switch (kind) {
    case NBitRepn:
    case NUByteRepn:
    case NBooleanRepn:
        *static_cast<unsigned char*>(value) = static_cast<unsigned char>(static_cast<long>(number));
        break;
    case NSByteRepn:
        *static_cast<signed char*>(value) = static_cast<signed char>(static_cast<long>(number));
        break;
    case NShortRepn:
        *static_cast<short*>(value) = static_cast<short>(static_cast<long>(number));
        break;
    case NLongRepn:
        *static_cast<std::int32_t*>(value) = static_cast<std::int32_t>(static_cast<long>(number));
        break;
    case NFloatRepn:
        *static_cast<float*>(value) = static_cast<float>(number);
        break;
    case NDoubleRepn:
        *static_cast<double*>(value) = number;
        break;
    default:
        break;
    }
}

} // namespace

NAttrList NCreateAttrList() {
    return static_cast<NAttrList>(NMalloc(sizeof(NAttrListRec)));
}

void NDestroyAttrList(NAttrList list) {
    if (list == nullptr) {
        NWarning("NDestroyAttrList: Called with NULL list");
        return;
    }
    NAttrRec* a = list->first;
    while (a != nullptr) {
        NAttrRec* next = a->next;
        FreeValue("NDestroyAttrList", a);
        NFree(a);
        a = next;
    }
    NFree(list);
}

bool NAttrListEmpty(NAttrList list) {
    return list == nullptr || list->first == nullptr;
}

int NAttrListCount(NAttrList list) {
    int n = 0;
    for (NAttrRec* a = list ? list->first : nullptr; a != nullptr; a = a->next) ++n;
    return n;
}

NAttrList NCopyAttrList(NAttrList list) {
    NAttrList copy = NCreateAttrList();
    if (copy == nullptr || list == nullptr) return copy;
    for (NAttrRec* a = list->first; a != nullptr; a = a->next) {
        void* value = nullptr;
        switch (a->repn) {
        case NStringRepn:
            value = CopyString(static_cast<const char*>(a->value));
            break;
        case NImageRepn:
            value = NCopyImage(static_cast<NImage>(a->value), nullptr, -1);
            break;
        case NAttrListRepn:
            value = NCopyAttrList(static_cast<NAttrList>(a->value));
            break;
        case NBundleRepn: {
            auto* b = static_cast<NBundle>(a->value);
            NAttrList inner = NCopyAttrList(b->list);
            value = inner ? NCreateBundle(b->type_name, inner) : nullptr;
            if (value == nullptr && inner != nullptr) NDestroyAttrList(inner);
            break;
        }
        case NListRepn:
        case NPointerRepn:
            value = a->value;
            break;
        default:
            NError("NCopyAttrList: %s attribute has invalid repn %d", a->name, a->repn);
            NDestroyAttrList(copy);
            return nullptr;
        }
        const bool owned = a->repn != NListRepn && a->repn != NPointerRepn;
        NAttrRec* node = (value != nullptr || !owned) ? NewNode(a->name) : nullptr;
        if (node == nullptr) {
            NAttrRec temp{nullptr, nullptr, a->repn, value, {0}};
            if (owned && value != nullptr) FreeValue("NCopyAttrList", &temp);
            NDestroyAttrList(copy);
            return nullptr;
        }
        node->repn = a->repn;
        node->value = value;
        Link(copy, node);
    }
    return copy;
}

bool NAppendAttr(NAttrList list, const char* name, const NDictEntry* dict, NRepnKind kind,
                 const NAttrValue& value) {
    if (list == nullptr || name == nullptr) return false;
    NRepnKind repn = NUnknownRepn;
    void* stored = nullptr;
    if (!MakeStoredValue(dict, kind, value, &repn, &stored)) return false;
    NAttrRec* a = NewNode(name);
    if (a == nullptr) {
        if (repn == NStringRepn) NFree(stored);
        return false;
    }
    a->repn = repn;
    a->value = stored;
    Link(list, a);
    return true;
}

bool NSetAttr(NAttrList list, const char* name, const NDictEntry* dict, NRepnKind kind,
              const NAttrValue& value) {
    NAttrListPosn posn;
    if (!NLookupAttr(list, name, &posn)) return NAppendAttr(list, name, dict, kind, value);
    NRepnKind repn = NUnknownRepn;
    void* stored = nullptr;
    if (!MakeStoredValue(dict, kind, value, &repn, &stored)) return false;
    NAttrRec* a = posn.ptr;
    // Setting an attribute to the object it already holds must not destroy that object.
    if (!(a->repn == repn && a->value == stored)) FreeValue("NSetAttr", a);
    a->repn = repn;
    a->value = stored;
    return true;
}

void NFirstAttr(NAttrList list, NAttrListPosn* posn) {
    posn->list = list;
    posn->ptr = list ? list->first : nullptr;
}

void NLastAttr(NAttrList list, NAttrListPosn* posn) {
    posn->list = list;
    posn->ptr = list ? list->last : nullptr;
}

void NNextAttr(NAttrListPosn* posn) {
    if (posn->ptr != nullptr) posn->ptr = posn->ptr->next;
}

void NPrevAttr(NAttrListPosn* posn) {
    if (posn->ptr != nullptr) posn->ptr = posn->ptr->prev;
}

const char* NGetAttrName(const NAttrListPosn* posn) {
    return posn->ptr ? posn->ptr->name : nullptr;
}

NRepnKind NGetAttrRepn(const NAttrListPosn* posn) {
    return posn->ptr ? posn->ptr->repn : NUnknownRepn;
}

bool NLookupAttr(NAttrList list, const char* name, NAttrListPosn* posn) {
    for (NFirstAttr(list, posn); NAttrExists(posn); NNextAttr(posn)) {
        if (std::strcmp(posn->ptr->name, name) == 0) return true;
    }
    return false;
}

void NDeleteAttr(NAttrListPosn* posn) {
    NAttrRec* a = posn->ptr;
    if (a == nullptr || posn->list == nullptr) return;
    posn->ptr = a->next;
    Unlink(posn->list, a);
    FreeValue("NDeleteAttr", a);
    NFree(a);
}

bool NGetAttrValue(const NAttrListPosn* posn, const NDictEntry* dict, NRepnKind kind, void* value) {
    const NAttrRec* a = posn->ptr;
    if (a == nullptr || value == nullptr) return false;
    if (NIsPixelRepn(kind) || kind == NBooleanRepn || kind == NStringRepn) {
        if (a->repn != NStringRepn) return false;
        const auto* text = static_cast<const char*>(a->value);
        if (kind == NStringRepn) {
            *static_cast<const char**>(value) = text;
            return true;
        }
        return NDecodeAttrValue(text, dict, kind, value);
    }
    if (a->repn != kind || !IsStoredKind(kind)) return false;
    *static_cast<void**>(value) = a->value;
    return true;
}

bool NGetAttr(NAttrList list, const char* name, const NDictEntry* dict, NRepnKind kind,
              void* value) {
    NAttrListPosn posn;
    return NLookupAttr(list, name, &posn) && NGetAttrValue(&posn, dict, kind, value);
}

bool NExtractAttr(NAttrList list, const char* name, const NDictEntry* dict, NRepnKind kind,
                  void* value, bool required) {
    NAttrListPosn posn;
    if (!NLookupAttr(list, name, &posn)) {
        if (!required) return true;
        NWarning("NExtractAttr: %s attribute missing", name);
        return false;
    }
    NAttrRec* a = posn.ptr;
    if (value != nullptr) {
        if (!NGetAttrValue(&posn, dict, kind, value)) {
            NWarning("NExtractAttr: %s attribute has bad value", name);
            return false;
        }
        if (kind == NStringRepn) {
            // The stored text goes away with the attribute: hand over the copy itself.
            *static_cast<char**>(value) = static_cast<char*>(a->value);
            a->value = nullptr;
            a->repn = NPointerRepn;
        } else if (kind == NImageRepn || kind == NAttrListRepn || kind == NBundleRepn) {
            a->value = nullptr; // ownership passes to the caller
            a->repn = NPointerRepn;
        }
    }
    NDeleteAttr(&posn);
    return true;
}

bool NEncodeAttrValue(const NDictEntry* dict, NRepnKind kind, double number, std::string* out) {
    if (!NIsPixelRepn(kind) && kind != NBooleanRepn) {
        NWarning("NEncodeAttrValue: Can't encode from %s", NRepnName(kind));
        return false;
    }
    const bool integral = kind != NFloatRepn && kind != NDoubleRepn;
    const double v = integral ? std::trunc(number) : number;
    if (kind == NBooleanRepn && dict == nullptr) dict = NBooleanDict;
    if (const NDictEntry* entry = NLookupDictNumber(dict, v, integral)) {
        *out = entry->keyword;
        return true;
    }
    char buffer[64];
    if (integral)
        std::snprintf(buffer, sizeof buffer, "%.0f", v);
    else
        std::snprintf(buffer, sizeof buffer, "%.20g", v);
    *out = buffer;
    return true;
}

bool NDecodeAttrValue(const char* text, const NDictEntry* dict, NRepnKind kind, void* value) {
    if (!NIsPixelRepn(kind) && kind != NBooleanRepn) {
        NWarning("NDecodeAttrValue: Can't decode to %s", NRepnName(kind));
        return false;
    }
    if (kind == NBooleanRepn && dict == nullptr) dict = NBooleanDict;
    const bool integral = kind != NFloatRepn && kind != NDoubleRepn;
    double number = 0.0;
    if (const NDictEntry* entry = NLookupDictKeyword(dict, text)) {
        number = integral ? static_cast<double>(entry->ivalue) : entry->fvalue;
    } else if (!ParseNumber(text, &number)) {
        if (dict != nullptr)
            NWarning("NLookupDictValue: Can't lookup %s value", text ? text : "");
        else
            NWarning("NDecodeAttrValue: Can't decode to %s", NRepnName(kind));
        return false;
    }
    StoreNumber(kind, number, value);
    return true;
}

NBundle NCreateBundle(const char* type_name, NAttrList list) {
    auto* b = static_cast<NBundle>(NMalloc(sizeof(NBundleRec)));
    if (b == nullptr) return nullptr;
    b->type_name = CopyString(type_name != nullptr ? type_name : "");
    if (b->type_name == nullptr) {
        NFree(b);
        return nullptr;
    }
    b->list = list;
    return b;
}

void NDestroyBundle(NBundle bundle) {
    if (bundle == nullptr) return;
    if (bundle->list != nullptr) NDestroyAttrList(bundle->list);
    NFree(bundle->type_name);
    NFree(bundle);
}
