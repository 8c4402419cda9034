// Ownership of a model's arrays and the default material.
#include "library/moxa/3d/Model.h"

#include <cstring>

namespace sunvale {

void ModelMaterial::SetDefault()
{
    *this = ModelMaterial();
    std::strcpy(name, "default");
    color[0] = color[1] = color[2] = 240;
    color[3] = 0;
    for (int i = 0; i < 3; ++i) ambient[i] = diffuse[i] = specular[i] = 1.0f;
}

Model::~Model()
{
    delete[] materials;
    delete[] vertices;
    delete[] faces;
    delete[] objects;
    delete[] lights;
    delete[] cameras;
    delete[] dummies;
    delete[] nodes;
}

void ReleaseModel(Model* model) { delete model; }

}  // namespace sunvale
