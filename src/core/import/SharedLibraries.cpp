#include "core/import/SharedLibraries.h"

#include "core/base/Error.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <zip.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qm::import {
namespace {

// Each library is opened on first use; a failed open is tried again when next asked for.
void* zipLibrary() {
    static void* const handle = openLibrary(QM_LIBZIP_SONAME, "EPUB books");
    return handle;
}

void* xmlLibrary() {
    static void* const handle = openLibrary(QM_LIBXML2_SONAME, "EPUB and HTML books");
    return handle;
}

// A function of a library. A library that cannot be opened throws as above; a function missing
// from an opened library is a fault of the build (another version of the library): it stops
// with a message.
void* function(void* library, const char* name) {
    void* f = dlsym(library, name);
    if (!f) {
        std::fprintf(stderr, "quillmar: the library has no function %s\n", name);
        std::abort();
    }
    return f;
}

} // namespace

void* openLibrary(const char* soname, const char* use) {
    void* handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (handle) return handle;
    const char* why = dlerror();
    throw UserError(std::string("reading ") + use + " needs the library " + soname +
                    ", which could not be loaded (" + (why ? why : "not found") + ").");
}

void requireZipLibrary() {
    (void)zipLibrary();
}

void requireXmlLibrary() {
    (void)xmlLibrary();
}

} // namespace qm::import

// Each function looks itself up once and forwards its arguments; its declaration in the
// library's header checks the signature.
#define QM_FORWARD(library, result, name, parameters, arguments)                                   \
    extern "C" result name parameters {                                                            \
        static const auto real =                                                                   \
            reinterpret_cast<decltype(&::name)>(qm::import::function(library(), #name));           \
        return real arguments;                                                                     \
    }

using qm::import::xmlLibrary;
using qm::import::zipLibrary;

QM_FORWARD(zipLibrary, void, zip_error_init, (zip_error_t * e), (e))
QM_FORWARD(zipLibrary, void, zip_error_fini, (zip_error_t * e), (e))
QM_FORWARD(zipLibrary, zip_source_t*, zip_source_buffer_create,
           (const void* data, zip_uint64_t len, int freep, zip_error_t* e), (data, len, freep, e))
QM_FORWARD(zipLibrary, void, zip_source_free, (zip_source_t * s), (s))
QM_FORWARD(zipLibrary, zip_t*, zip_open_from_source, (zip_source_t * s, int flags, zip_error_t* e),
           (s, flags, e))
QM_FORWARD(zipLibrary, void, zip_discard, (zip_t * z), (z))
QM_FORWARD(zipLibrary, zip_int64_t, zip_get_num_entries, (zip_t * z, zip_flags_t flags), (z, flags))
QM_FORWARD(zipLibrary, const char*, zip_get_name,
           (zip_t * z, zip_uint64_t index, zip_flags_t flags), (z, index, flags))
QM_FORWARD(zipLibrary, zip_int64_t, zip_name_locate,
           (zip_t * z, const char* name, zip_flags_t flags), (z, name, flags))
QM_FORWARD(zipLibrary, void, zip_stat_init, (zip_stat_t * st), (st))
QM_FORWARD(zipLibrary, int, zip_stat_index,
           (zip_t * z, zip_uint64_t index, zip_flags_t flags, zip_stat_t* st),
           (z, index, flags, st))
QM_FORWARD(zipLibrary, zip_file_t*, zip_fopen_index,
           (zip_t * z, zip_uint64_t index, zip_flags_t flags), (z, index, flags))
QM_FORWARD(zipLibrary, zip_int64_t, zip_fread, (zip_file_t * f, void* buffer, zip_uint64_t n),
           (f, buffer, n))
QM_FORWARD(zipLibrary, int, zip_fclose, (zip_file_t * f), (f))
// Writing archives (the EPUB export).
QM_FORWARD(zipLibrary, void, zip_source_keep, (zip_source_t * s), (s))
QM_FORWARD(zipLibrary, zip_source_t*, zip_source_buffer,
           (zip_t * z, const void* data, zip_uint64_t length, int freep), (z, data, length, freep))
QM_FORWARD(zipLibrary, zip_source_t*, zip_source_function,
           (zip_t * z, zip_source_callback callback, void* user), (z, callback, user))
QM_FORWARD(zipLibrary, zip_int64_t, zip_file_add,
           (zip_t * z, const char* name, zip_source_t* s, zip_flags_t flags), (z, name, s, flags))
QM_FORWARD(zipLibrary, int, zip_set_file_compression,
           (zip_t * z, zip_uint64_t index, zip_int32_t method, zip_uint32_t level),
           (z, index, method, level))
QM_FORWARD(zipLibrary, int, zip_close, (zip_t * z), (z))
QM_FORWARD(zipLibrary, zip_error_t*, zip_get_error, (zip_t * z), (z))
QM_FORWARD(zipLibrary, const char*, zip_error_strerror, (zip_error_t * e), (e))
QM_FORWARD(zipLibrary, void, zip_error_set, (zip_error_t * e, int ze, int se), (e, ze, se))
QM_FORWARD(zipLibrary, zip_int64_t, zip_error_to_data,
           (const zip_error_t* e, void* data, zip_uint64_t length), (e, data, length))
QM_FORWARD(zipLibrary, int, zip_source_open, (zip_source_t * s), (s))
QM_FORWARD(zipLibrary, int, zip_source_close, (zip_source_t * s), (s))
QM_FORWARD(zipLibrary, zip_int64_t, zip_source_read,
           (zip_source_t * s, void* data, zip_uint64_t length), (s, data, length))
QM_FORWARD(zipLibrary, int, zip_source_seek, (zip_source_t * s, zip_int64_t offset, int whence),
           (s, offset, whence))
QM_FORWARD(zipLibrary, zip_int64_t, zip_source_tell, (zip_source_t * s), (s))

QM_FORWARD(xmlLibrary, void, xmlInitParser, (void), ())
QM_FORWARD(xmlLibrary, xmlParserCtxtPtr, xmlNewParserCtxt, (void), ())
QM_FORWARD(xmlLibrary, void, xmlFreeParserCtxt, (xmlParserCtxtPtr c), (c))
QM_FORWARD(xmlLibrary, xmlDocPtr, xmlCtxtReadMemory,
           (xmlParserCtxtPtr c, const char* buffer, int size, const char* url, const char* encoding,
            int options),
           (c, buffer, size, url, encoding, options))
QM_FORWARD(xmlLibrary, void, xmlStopParser, (xmlParserCtxtPtr c), (c))
QM_FORWARD(xmlLibrary, void, xmlFreeDoc, (xmlDocPtr d), (d))
QM_FORWARD(xmlLibrary, xmlNodePtr, xmlDocGetRootElement, (const xmlDoc* d), (d))
QM_FORWARD(xmlLibrary, htmlParserCtxtPtr, htmlCreatePushParserCtxt,
           (htmlSAXHandlerPtr sax, void* user, const char* chunk, int size, const char* name,
            xmlCharEncoding encoding),
           (sax, user, chunk, size, name, encoding))
QM_FORWARD(xmlLibrary, int, htmlCtxtUseOptions, (htmlParserCtxtPtr c, int options), (c, options))
QM_FORWARD(xmlLibrary, int, htmlParseChunk,
           (htmlParserCtxtPtr c, const char* chunk, int size, int terminate),
           (c, chunk, size, terminate))
QM_FORWARD(xmlLibrary, void, htmlFreeParserCtxt, (htmlParserCtxtPtr c), (c))
