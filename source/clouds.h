#pragma once
// "clouds": 3500 camera-facing particles lit by two pulsing lights, seen through the shared camera
// that an effect drawn before it in the same frame has set. Every frame the particles are sorted
// back to front and the visible share of them goes into the index buffer.

#include "crv_effect.h"
#include "dis_ibo.h"
#include "dis_material.h"
#include "dis_shader.h"
#include "dis_texture.h"
#include "dis_vbo.h"
#include "mathbase/mb_vector.h"

#include <cstdint>
#include <vector>

struct EffectShared;

struct CloudParticle {
    norvane::mathbase::Vector3T<float> position; // the centre
    int32_t index;                               // its vertices are 4 * index to 4 * index + 3
};

class Clouds : public norvane::corvista::Effect {
public:
    enum { ParticleCount = 3500, VertexCount = 4 * ParticleCount };

    explicit Clouds(EffectShared* shared);

    void trigger(float local, const std::string& name, const std::string& value) override;
    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    void setup() override;

    // Orders the particles back to front along the viewing direction (eye - target): the ones
    // farthest from the eye first.
    static void sortBackToFront(std::vector<CloudParticle>& particles,
                                const norvane::mathbase::Vector3T<float>& direction);
    // The number of particles drawn for an intensity: its share of the count, whole, 0 to the count.
    static int visibleCount(float intensity);

    // The file-level value "alpha" (for tests).
    static float alpha();

    EffectShared* mShared; // not owned
    norvane::display::VBO_wrap<norvane::display::VertexP3N3T2> vertices;
    norvane::display::IBO indices;
    std::vector<CloudParticle> particles;
    norvane::display::ShaderProgram program;
    norvane::display::Material material;
    norvane::display::Texture texture;
    float intensity; // the share of the particles drawn
    bool usez;       // depth-tested against what was drawn before, without writing depth
};
