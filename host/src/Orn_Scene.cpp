#include "Orn_Scene.h"

namespace {
bool SaveRecord(OrnFileSaver& saver, Orn_Channel* channel) {
    if (channel == nullptr || !saver.BeginChannel()) return false;
    const bool saved = channel->SaveChannel(saver);
    // Closed in any case: a channel that reported failure still leaves no open record behind.
    const bool closed = saver.EndChannel();
    return saved && closed;
}
}  // namespace

bool OrnSaveScene(OrnFileSaver& saver, std::span<Orn_Channel* const> channels) {
    for (Orn_Channel* channel : channels) {
        if (!SaveRecord(saver, channel)) return false;
    }
    return true;
}

bool OrnSaveSceneToFile(const std::string& path, std::span<Orn_Channel* const> channels,
                        std::string* error) {
    // The whole scene is built first, so nothing reaches the disk unless every channel saved.
    OrnFileSaver saver;
    for (size_t i = 0; i < channels.size(); ++i) {
        if (!SaveRecord(saver, channels[i])) {
            if (error)
                *error =
                    "cannot save " + path + ": channel " + std::to_string(i) + " failed to save";
            return false;
        }
    }
    return saver.WriteToFile(path, error);
}

bool OrnLoadScene(OrnFileLoader& loader, const OrnChannelMaker& make, Orn_ChannelGroup* group,
                  std::vector<std::unique_ptr<Orn_Channel>>& channels, std::string* error) {
    std::vector<std::unique_ptr<Orn_Channel>> loaded;
    std::string reason;
    while (loader.NextChannel()) {
        std::unique_ptr<Orn_Channel> channel = make ? make() : nullptr;
        if (channel == nullptr) {
            reason =
                "channel record " + std::to_string(loaded.size()) + ": no channel to load it into";
            break;
        }
        if (!channel->LoadChannel(loader, group)) {
            reason =
                "channel record " + std::to_string(loaded.size()) + " was refused by its channel";
            break;
        }
        loaded.push_back(std::move(channel));
    }
    if (reason.empty() && !loader.AtEnd()) reason = loader.Error();
    if (!reason.empty()) {
        channels.clear();
        if (error) *error = reason;
        return false;
    }
    channels = std::move(loaded);
    return true;
}
