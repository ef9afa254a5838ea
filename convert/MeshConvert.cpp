// tessaly-convert IN OUT.obj: reads a mesh of one of the formats Assimp knows (3DS, COLLADA, FBX, 3MF ...)
// and writes it as OBJ with an MTL library whose textures are named by absolute paths. It runs as a
// child process of the import: Assimp has a record of crashing on damaged files, and a crash here must
// cost the viewer nothing but a message. Exit 0 on success; otherwise one line on stderr says why.
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define TESSALY_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSALY_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef TESSALY_ADDRESS_SANITIZER
#define TESSALY_ADDRESS_SANITIZER 0
#endif

namespace {

// Diffuse textures named relative to the source file are named absolutely, so that the OBJ in its
// temporary folder still finds them. Embedded textures ("*0") have no file and stay out.
void AbsoluteTexturePaths(aiScene& scene, const std::filesystem::path& folder) {
    for (unsigned m = 0; m < scene.mNumMaterials; ++m) {
        aiMaterial& material = *scene.mMaterials[m];
        aiString path;
        if (material.GetTexture(aiTextureType_DIFFUSE, 0, &path) != AI_SUCCESS) continue;
        std::string text = path.C_Str();
        if (text.empty() || text[0] == '*') continue;
        for (char& c : text)
            if (c == '\\') c = '/';
        std::filesystem::path file(text);
        if (file.is_relative()) file = folder / file;
        const aiString absolute(file.lexically_normal().string());
        material.AddProperty(&absolute, AI_MATKEY_TEXTURE_DIFFUSE(0));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessaly-convert IN OUT.obj\n");
        return 2;
    }
    // A damaged file may ask for any amount of memory: the child stops at 4 GiB rather than the machine.
    // AddressSanitizer's shadow takes terabytes of address space before main, so under it no limit of the
    // address space can hold; its allocator refuses absurd requests by itself.
#if !TESSALY_ADDRESS_SANITIZER
    const rlimit memory{rlim_t(4) << 30, rlim_t(4) << 30};
    setrlimit(RLIMIT_AS, &memory);
#endif

    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene =
        importer.ReadFile(argv[1], aiProcess_Triangulate | aiProcess_PreTransformVertices |
                                       aiProcess_SortByPType | aiProcess_ValidateDataStructure);
    if (!scene || !scene->mRootNode || scene->mNumMeshes == 0) {
        std::fprintf(stderr, "%s\n", scene ? "the file holds no mesh" : importer.GetErrorString());
        return 1;
    }
    AbsoluteTexturePaths(*const_cast<aiScene*>(scene),
                         std::filesystem::absolute(std::filesystem::path(argv[1])).parent_path());
    Assimp::Exporter exporter;
    if (exporter.Export(scene, "obj", argv[2]) != AI_SUCCESS) {
        std::fprintf(stderr, "%s\n", exporter.GetErrorString());
        return 1;
    }
    return 0;
}
