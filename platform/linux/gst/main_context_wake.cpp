#include "platform/linux/gst/main_context_wake.h"

#include <glib.h>

namespace tessiva {
namespace {

struct WakeSource {
    GSource base;
    gpointer tag;
    const std::function<bool()>* pending;
};

gboolean pendingNow(GSource* source) {
    const auto* wake = reinterpret_cast<WakeSource*>(source);
    return wake->pending != nullptr && *wake->pending && (*wake->pending)() ? TRUE : FALSE;
}

gboolean prepare(GSource* source, gint* timeout) {
    *timeout = -1;
    return pendingNow(source);
}

gboolean check(GSource* source) {
    const auto* wake = reinterpret_cast<WakeSource*>(source);
    return (g_source_query_unix_fd(source, wake->tag) & (G_IO_IN | G_IO_HUP | G_IO_ERR)) != 0 || pendingNow(source);
}

gboolean dispatch(GSource*, GSourceFunc, gpointer) { return G_SOURCE_CONTINUE; }

GSourceFuncs g_wakeFuncs = {prepare, check, dispatch, nullptr, nullptr, nullptr};

}  // namespace

void MainContextWake::watch(int fd, std::function<bool()> pending) {
    clear();
    if (fd < 0) return;
    m_pending = std::move(pending);
    m_source = g_source_new(&g_wakeFuncs, sizeof(WakeSource));
    auto* wake = reinterpret_cast<WakeSource*>(m_source);
    wake->pending = &m_pending;
    wake->tag = g_source_add_unix_fd(m_source, fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
    g_source_attach(m_source, g_main_context_default());
}

void MainContextWake::clear() {
    if (m_source == nullptr) return;
    g_source_destroy(m_source);
    g_source_unref(m_source);
    m_source = nullptr;
    m_pending = {};
}

}  // namespace tessiva
