#include "serve/RunChanges.h"

#include "output/Formatting.h"
#include "output/OutputFormats.h"

namespace quantifier_run {
namespace {

std::string Shown(const ChannelObservation& channel) {
    std::string out = channel.value ? FormatCell(*channel.value, OutputFormat::Json) : "null";
    for (size_t c = 0; c < channel.sparkLow.size(); ++c)
        out += " " + FormatFloat(channel.sparkLow[c]) + ":" + FormatFloat(channel.sparkHigh[c]);
    return out;
}

std::string Indices(const std::vector<size_t>& indices) {
    std::string out = "[";
    for (size_t i = 0; i < indices.size(); ++i)
        out += (i ? ", " : "") + std::to_string(indices[i]);
    return out + "]";
}

}  // namespace

RunDigest DigestRun(const Scene& scene, const Observation& last) {
    RunDigest digest;
    const size_t count = scene.channels.size();
    digest.names.reserve(count);
    digest.shown.reserve(count);
    for (size_t n = 0; n < count; ++n) {
        digest.names.push_back(scene.channels[n].name);
        digest.shown.push_back(n < last.channels.size() ? Shown(last.channels[n]) : "");
        digest.index.emplace(digest.names.back(), n);
    }
    return digest;
}

RunChanges CompareRuns(const RunDigest& before, const RunDigest& after) {
    RunChanges changes;
    for (size_t n = 0; n < after.names.size(); ++n) {
        const auto was = before.index.find(after.names[n]);
        if (was == before.index.end())
            changes.added.push_back(n);
        else if (before.shown[was->second] != after.shown[n])
            changes.changed.push_back(n);
    }
    for (const std::string& name : before.names) {
        if (!after.index.contains(name)) changes.removed.push_back(name);
    }
    return changes;
}

std::string RunChangesJson(const RunChanges& changes) {
    std::string removed = "[";
    for (size_t i = 0; i < changes.removed.size(); ++i)
        removed += (i ? ", " : "") + JsonString(DisplaySafe(changes.removed[i]));
    return "{\"changed\": " + Indices(changes.changed) + ", \"added\": " + Indices(changes.added) +
           ", \"removed\": " + removed + "]}";
}

}  // namespace quantifier_run
