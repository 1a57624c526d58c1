// Engine services beside channels: channel groups, the internal-services object
// `channelInternal` and the path resolver FilePathFind.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "Orn_Channel.h"
#include "Orn_Records.h"

// A group of channels loaded from one source, with the source's path and window.
class Orn_ChannelGroup {
public:
    Orn_ChannelGroup() = default;
    Orn_ChannelGroup(std::optional<std::string> path, OrnWindow window)
        : path(std::move(path)), window(window) {}

    // The group's source path, or null when it has none.
    const char* GetGroupPath() const { return path ? path->c_str() : nullptr; }
    // The group's window; may be null.
    OrnWindow GetGroupWindow() const { return window; }

    void SetGroupPath(std::optional<std::string> newPath) { path = std::move(newPath); }
    void SetGroupWindow(OrnWindow newWindow) { window = newWindow; }

private:
    std::optional<std::string> path;
    OrnWindow window = nullptr;
};

// Internal children and public calls of channels, kept by the engine beside the channels.
class ChannelInternal {
public:
    // The channel's internal child with that index, or null.
    Orn_Channel* GetInternalChild(Orn_Channel* channel, int index);
    // The public-call record of a channel; an empty file path when it has none.
    PublicCallInfo GetPublicCallInfo(Orn_Channel* channel);

    // Host-side set-up. Entries are not owned; Forget drops every entry naming the channel.
    void SetInternalChild(Orn_Channel* channel, int index, Orn_Channel* child);
    // Stores the call's file path; a path longer than the record holds is cut at its size.
    void SetPublicCallPath(Orn_Channel* channel, const std::string& filePath);
    void Forget(Orn_Channel* channel);
    int PublicCallQueries() const { return publicCallQueries; }

private:
    std::map<std::pair<Orn_Channel*, int>, Orn_Channel*> internalChildren;
    std::map<Orn_Channel*, std::string> publicCalls;
    int publicCallQueries = 0;
};

// The engine's internal-services object; never null while the engine library is loaded.
// Data the engine library exports; Microsoft-ABI builds import it explicitly (see OrnHost).
#ifndef ORN_ENGINE_DATA
#define ORN_ENGINE_DATA
#endif
extern ORN_ENGINE_DATA ChannelInternal* channelInternal;

// Resolves file paths relative to a source path.
class FilePathFind {
public:
    FilePathFind();
    ~FilePathFind();
    FilePathFind(const FilePathFind&) = delete;
    FilePathFind& operator=(const FilePathFind&) = delete;

    // The directory relative paths are resolved against; null clears it.
    void SetSourcePath(const char* sourcePath);
    // The complete path of `filePath`: unchanged when it is absolute (starts with '/' or '\\',
    // or a drive letter and ':') or when no source path is set, otherwise the source path and
    // the file path joined by one '/'. A null file path gives "". The text stays valid until
    // the next call or the resolver's destruction.
    const char* GetCompleteFilePath(const char* filePath);

    // How many resolvers exist now; lets a host check that none was leaked.
    static int LiveCount();

private:
    std::string sourcePath;
    std::string completePath;
};
