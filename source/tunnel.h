#pragma once
// "tunnel": the camera flies along a closed curve through a tube of about eleven thousand small
// cubes, made once at set-up into one vertex and one index buffer; in the first twelve seconds of
// the entry eight greeting banners stand along the curve.

#include "crv_effect.h"
#include "dis_ibo.h"
#include "dis_shader.h"
#include "dis_texture.h"
#include "dis_vbo.h"
#include "mathbase/mb_matrix.h"
#include "mathbase/mb_vector.h"

#include <cstdint>

struct EffectShared;

class Tunnel : public norvane::corvista::Effect {
public:
    typedef norvane::mathbase::Vector3T<float> Vec3;

    // The curve's frame at parameter u (one turn per unit of u).
    struct Frame {
        Vec3 position, tangent, side, up;
        float radius;
    };
    static Frame frameAt(float u);

    enum { MaxVertices = 90000, MaxIndices = 270000 };

    explicit Tunnel(EffectShared* shared);
    ~Tunnel() override;

    // Loads the banner image and the wall shaders and makes the cubes.
    void setup() override;
    // "base" lights the walls; "velkin" turns the view by a further 0.2 radians for good.
    void trigger(float local, const std::string& name, const std::string& value) override;
    // "param" and "param2" (their sum is the place on the curve); "white", "expand", "alpha".
    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;

    // Adds one cube of the matrix and colour; false (writing nothing) when it does not fit.
    bool addCube(const norvane::mathbase::Matrix4x4Col& matrix, float red, float green, float blue);

    // The values shared by every instance (for tests and inspection).
    static float base();
    static float turns();
    static void resetShared();

    norvane::display::Texture mGreets;
    norvane::display::ShaderProgram mProgram;
    int32_t mVertexCount = 0;
    int32_t mIndexCount = 0;
    norvane::display::VBO_wrap<norvane::display::VertexP3N3C4b> mVertices;
    norvane::display::IBO mIndices;
    EffectShared* mShared; // not owned; not read
    float mParam = 0.0f;
    float mParam2 = 0.0f;

private:
    void drawBanners();
};
