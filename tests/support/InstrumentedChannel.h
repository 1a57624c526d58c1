// A host channel of any class whose calls a test sees: before each call below reaches the
// class, the channel's hook is told the call's name and may note it, throw, or answer in the
// class's place. One template serves every child kind, the camera and the frame timer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "Kch_FloatChannel.h"
#include "Orn_Types.h"

// What a hook gives back: nothing lets the channel's class answer; a value of the call's
// return type answers instead (a hook answers only calls whose type it knows).
using ChannelAnswer = std::variant<std::monostate, float, bool, uint32_t, int32_t, XMFLOAT4,
                                   XMMATRIX, const char*, const OrnWideChar*>;
using ChannelHook = std::function<ChannelAnswer(std::string_view call)>;

template <class Base>
class Instrumented : public Base {
public:
    using Base::Base;

    ChannelHook hook;

    // Each of these overrides the virtual operation of that name where Base has one; for a
    // Base without it, it is an unused member that is never instantiated.
    float GetFloat() {
        return Call<float>("GetFloat", [&] { return Base::GetFloat(); });
    }
    void SetFloat(float value) {
        Call<void>("SetFloat", [&] { Base::SetFloat(value); });
    }
    uint32_t GetTimeStamp() {
        return Call<uint32_t>("GetTimeStamp", [&] { return Base::GetTimeStamp(); });
    }
    XMFLOAT4 GetVector() {
        return Call<XMFLOAT4>("GetVector", [&] { return Base::GetVector(); });
    }
    XMMATRIX GetMatrix() {
        return Call<XMMATRIX>("GetMatrix", [&] { return Base::GetMatrix(); });
    }
    const char* GetText() {
        return Call<const char*>("GetText", [&] { return Base::GetText(); });
    }
    void SetText(const char* text) {
        Call<void>("SetText", [&] { Base::SetText(text); });
    }
    bool IsWideText() {
        return Call<bool>("IsWideText", [&] { return Base::IsWideText(); });
    }
    const OrnWideChar* GetWideText() {
        return Call<const OrnWideChar*>("GetWideText", [&] { return Base::GetWideText(); });
    }
    XMMATRIX GetPlacementMatrix() {
        return Call<XMMATRIX>("GetPlacementMatrix", [&] { return Base::GetPlacementMatrix(); });
    }
    bool GetTestResult() {
        return Call<bool>("GetTestResult", [&] { return Base::GetTestResult(); });
    }
    uint32_t GetUnsignedValue() {
        return Call<uint32_t>("GetUnsignedValue", [&] { return Base::GetUnsignedValue(); });
    }
    int32_t GetMatchValue() {
        return Call<int32_t>("GetMatchValue", [&] { return Base::GetMatchValue(); });
    }
    XMMATRIX GetViewMatrix() {
        return Call<XMMATRIX>("GetViewMatrix", [&] { return Base::GetViewMatrix(); });
    }
    bool IsBoxVisible(const XMFLOAT4& minimum, const XMFLOAT4& maximum) {
        return Call<bool>("IsBoxVisible", [&] { return Base::IsBoxVisible(minimum, maximum); });
    }

private:
    template <class R, class Answer>
    R Call(std::string_view name, Answer byBase) {
        if (hook) {
            ChannelAnswer answer = hook(name);
            if constexpr (!std::is_void_v<R>) {
                if (!std::holds_alternative<std::monostate>(answer)) return std::get<R>(answer);
            }
        }
        return byBase();
    }
};

// A hook that notes each call as "<name>.<call>" and lets the channel's class answer.
inline ChannelHook LogCalls(std::vector<std::string>& log, std::string name) {
    return [&log, name = std::move(name)](std::string_view call) -> ChannelAnswer {
        log.push_back(name + "." + std::string(call));
        return {};
    };
}
