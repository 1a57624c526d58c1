// The engine's camera: a view transform, a perspective projection and a visibility test.
#pragma once

#include "Orn_Channel.h"

class Kch_CameraChannel : public Orn_Channel {
public:
    Kch_CameraChannel();

    const ChannelType* GetChannelType() override;
    // World to camera: a point p in the world is at p * V in camera space (looking along +z).
    virtual XMMATRIX GetViewMatrix();
    // True when the world-axis-aligned box from `minimum` to `maximum` (x, y, z; w ignored) is
    // at least partly inside the view volume. A box is culled only when all eight corners lie
    // outside one plane of the volume, so a box with a NaN corner counts as visible.
    virtual bool IsBoxVisible(const XMFLOAT4& minimum, const XMFLOAT4& maximum);

    void SetViewMatrix(const XMMATRIX& view);
    // Vertical field of view in degrees, width / height, near and far distances (near > 0).
    void SetProjection(float fovDegrees, float aspect, float nearDistance, float farDistance);

    // The last box IsBoxVisible was asked about, and how often it was asked.
    XMFLOAT4 LastBoxMinimum() const { return lastMinimum; }
    XMFLOAT4 LastBoxMaximum() const { return lastMaximum; }
    int BoxQueries() const { return boxQueries; }

private:
    // The side planes' slopes, from the projection: every visibility test uses them.
    void UpdateViewPlanes();

    XMMATRIX view = IdentityMatrix();
    float fovDegrees = 60.0f;
    float aspect = 1.0f;
    float nearDistance = 0.1f;
    float farDistance = 1000.0f;
    double tanX = 0.0;
    double tanY = 0.0;
    XMFLOAT4 lastMinimum{};
    XMFLOAT4 lastMaximum{};
    int boxQueries = 0;
};
