// Attribute lists: ordered, doubly linked lists of named values. The engine keeps the band
// interpretation of an image in one, and the session keeps its ordered image list in one.
#pragma once

#include <string>

#include "core/repn.h"
#include "stitchkit/ImageRec.h"

struct NAttrRec;

// A named attribute list ("bundle"), owned by the attribute that holds it.
struct NBundleRec {
    char* type_name;
    NAttrList list;
};
using NBundle = NBundleRec*;

struct NAttrListRec {
    NAttrRec* first;
    NAttrRec* last;
};

// A position in a list: walked from the first attribute to the next.
struct NAttrListPosn {
    NAttrList list = nullptr;
    NAttrRec* ptr = nullptr;
};

// A value handed to NAppendAttr / NSetAttr. Numeric and boolean kinds take `number` and are
// stored encoded as text (a dictionary keyword where one matches, else the number); string
// values are copied; image, attribute-list and bundle values pass into the list's ownership;
// list and pointer values are kept as they are.
struct NAttrValue {
    double number = 0.0;
    const char* string = nullptr;
    void* pointer = nullptr;

    static NAttrValue Number(double v) { return NAttrValue{v, nullptr, nullptr}; }
    static NAttrValue String(const char* s) { return NAttrValue{0.0, s, nullptr}; }
    static NAttrValue Pointer(void* p) { return NAttrValue{0.0, nullptr, p}; }
};

NAttrList NCreateAttrList();
void NDestroyAttrList(NAttrList list);
NAttrList NCopyAttrList(NAttrList list);
bool NAttrListEmpty(NAttrList list);
int NAttrListCount(NAttrList list);

bool NAppendAttr(NAttrList list, const char* name, const NDictEntry* dict, NRepnKind kind,
                 const NAttrValue& value);
bool NSetAttr(NAttrList list, const char* name, const NDictEntry* dict, NRepnKind kind,
              const NAttrValue& value);

// Walking: NFirstAttr positions at the first attribute; NNextAttr advances; NAttrExists tells
// whether the position names an attribute.
void NFirstAttr(NAttrList list, NAttrListPosn* posn);
void NLastAttr(NAttrList list, NAttrListPosn* posn);
void NNextAttr(NAttrListPosn* posn);
void NPrevAttr(NAttrListPosn* posn);
inline bool NAttrExists(const NAttrListPosn* posn) {
    return posn->ptr != nullptr;
}
const char* NGetAttrName(const NAttrListPosn* posn);
NRepnKind NGetAttrRepn(const NAttrListPosn* posn);
// Positions at the first attribute called `name`; false when there is none.
bool NLookupAttr(NAttrList list, const char* name, NAttrListPosn* posn);

// Unlinks and frees the attribute at the position (with the value it owns); the position
// moves on to the next attribute.
void NDeleteAttr(NAttrListPosn* posn);

// Reads the value at a position into `value`, which points to storage of the C type of
// `kind`: unsigned char (bit, ubyte, boolean), signed char, short, int32 (long), float,
// double, const char* (string), N_ImageRec*, NAttrList, NBundle or void* (list, pointer).
// Numeric, boolean and string kinds decode a text value (keyword through dict, else a
// number); other kinds must match the stored kind. False when the value can't be had.
bool NGetAttrValue(const NAttrListPosn* posn, const NDictEntry* dict, NRepnKind kind, void* value);
// NGetAttrValue of the first attribute called `name`.
bool NGetAttr(NAttrList list, const char* name, const NDictEntry* dict, NRepnKind kind,
              void* value);

// Finds the first attribute called `name`, stores its value when `value` is given and
// removes it from the list. An extracted image, attribute list or bundle passes to the caller,
// and an extracted string is a copy the caller frees with NFree. A missing attribute is true
// when not required, else reported.
bool NExtractAttr(NAttrList list, const char* name, const NDictEntry* dict, NRepnKind kind,
                  void* value, bool required);

// Text encoding of numeric values ("%.20g" for reals, a dictionary keyword where one matches).
bool NEncodeAttrValue(const NDictEntry* dict, NRepnKind kind, double number, std::string* out);
// Decodes text to a numeric or boolean kind into typed storage as NGetAttrValue describes.
bool NDecodeAttrValue(const char* text, const NDictEntry* dict, NRepnKind kind, void* value);

NBundle NCreateBundle(const char* type_name, NAttrList list);
void NDestroyBundle(NBundle bundle);
