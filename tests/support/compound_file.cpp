// Compound files for the .xls tests, read and written through libgsf.
#include "support/compound_file.h"

// The headers one by one: gsf.h brings in gio, whose `signals` field Qt takes for its keyword.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

namespace {

void initGsf() {
    static const bool done = [] {
        gsf_init();
        return true;
    }();
    Q_UNUSED(done);
}

}  // namespace

QByteArray compoundStream(const QByteArray& file, const char* name) {
    initGsf();
    QByteArray out;
    GsfInput* input = gsf_input_memory_new(reinterpret_cast<const guint8*>(file.constData()), file.size(), FALSE);
    GsfInfile* ole = gsf_infile_msole_new(input, nullptr);
    g_object_unref(input);
    if (!ole) return out;
    if (GsfInput* child = gsf_infile_child_by_name(ole, name)) {
        const gsf_off_t size = gsf_input_size(child);
        out.resize(qsizetype(size));
        if (size > 0 && !gsf_input_read(child, size_t(size), reinterpret_cast<guint8*>(out.data()))) out.clear();
        g_object_unref(child);
    }
    g_object_unref(ole);
    return out;
}

QByteArray compoundFile(const QByteArray& stream, const char* name) {
    initGsf();
    GsfOutput* memory = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(memory);
    GsfOutput* child = gsf_outfile_new_child(ole, name, FALSE);
    gsf_output_write(child, size_t(stream.size()), reinterpret_cast<const guint8*>(stream.constData()));
    gsf_output_close(child);
    g_object_unref(child);
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    const QByteArray out(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory))),
                         qsizetype(gsf_output_size(memory)));
    g_object_unref(memory);
    return out;
}
