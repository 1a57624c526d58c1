#include "Orn_ChannelInternal.h"

#include <algorithm>
#include <cstring>

#include "Orn_Guids.h"

namespace {
ChannelInternal defaultInternal;
int liveResolvers = 0;

bool IsAbsolute(const std::string& path) {
    if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}
}  // namespace

ChannelInternal* channelInternal = &defaultInternal;

Orn_Channel* ChannelInternal::GetInternalChild(Orn_Channel* channel, int index) {
    OrnReportLookup(channel, orn_guid::kNull, index);
    const auto found = internalChildren.find({channel, index});
    return found == internalChildren.end() ? nullptr : found->second;
}

PublicCallInfo ChannelInternal::GetPublicCallInfo(Orn_Channel* channel) {
    ++publicCallQueries;
    PublicCallInfo info;
    const auto found = publicCalls.find(channel);
    if (found != publicCalls.end()) {
        const size_t length = std::min(found->second.size(), sizeof info.filePath - 1);
        std::memcpy(info.filePath, found->second.data(), length);
    }
    return info;
}

void ChannelInternal::SetInternalChild(Orn_Channel* channel, int index, Orn_Channel* child) {
    internalChildren[{channel, index}] = child;
}

void ChannelInternal::SetPublicCallPath(Orn_Channel* channel, const std::string& filePath) {
    publicCalls[channel] = filePath;
}

void ChannelInternal::Forget(Orn_Channel* channel) {
    std::erase_if(internalChildren, [channel](const auto& entry) {
        return entry.first.first == channel || entry.second == channel;
    });
    publicCalls.erase(channel);
}

FilePathFind::FilePathFind() {
    ++liveResolvers;
}
FilePathFind::~FilePathFind() {
    --liveResolvers;
}
int FilePathFind::LiveCount() {
    return liveResolvers;
}

void FilePathFind::SetSourcePath(const char* path) {
    sourcePath = path ? path : "";
}

const char* FilePathFind::GetCompleteFilePath(const char* filePath) {
    completePath = filePath ? filePath : "";
    if (filePath != nullptr && !sourcePath.empty() && !IsAbsolute(completePath)) {
        std::string joined = sourcePath;
        if (joined.back() != '/' && joined.back() != '\\') joined += '/';
        completePath = joined + completePath;
    }
    return completePath.c_str();
}
