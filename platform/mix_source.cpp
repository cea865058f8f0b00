#include "platform/mix_source.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace plat {
namespace {

// Held while sources mix, so a detach waits for a period in progress.
std::mutex& SourceLock() {
    static std::mutex lock;
    return lock;
}

std::vector<MixSource*>& Sources() {
    static std::vector<MixSource*> sources;
    return sources;
}

}  // namespace

void AttachMixSource(MixSource* source) {
    if (source == nullptr) return;
    std::lock_guard<std::mutex> hold(SourceLock());
    auto& sources = Sources();
    if (std::find(sources.begin(), sources.end(), source) == sources.end()) sources.push_back(source);
}

void DetachMixSource(MixSource* source) {
    std::lock_guard<std::mutex> hold(SourceLock());
    auto& sources = Sources();
    sources.erase(std::remove(sources.begin(), sources.end(), source), sources.end());
}

void MixAttachedSources(float* out, int frames) {
    if (out == nullptr || frames <= 0) return;
    std::lock_guard<std::mutex> hold(SourceLock());
    for (MixSource* source : Sources()) source->Mix(out, frames);
}

}  // namespace plat
