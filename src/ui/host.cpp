// The process-wide dialog host and its fallback.
#include "ui/host.h"

#include <atomic>
#include <iostream>

#include "ui/scripted_host.h"

namespace ui {

namespace {

std::atomic<DialogHost*> g_host{nullptr};

DialogHost& Fallback() {
    static ScriptedHost host("", std::cout);
    return host;
}

}  // namespace

void DialogHost::ShowText(const std::string& text) {
    std::cout << text;
    if (text.empty() || text.back() != '\n') std::cout << '\n';
    std::cout.flush();
}

void SetHost(DialogHost* host) { g_host.store(host); }

DialogHost& GetHost() {
    DialogHost* host = g_host.load();
    return host ? *host : Fallback();
}

ScopedHost::ScopedHost(DialogHost& host) : m_previous(g_host.load()) { g_host.store(&host); }

ScopedHost::~ScopedHost() { g_host.store(m_previous); }

}  // namespace ui
