#include "textures/texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

#include "image/bmp_file.h"

Texture::~Texture() { release(); }

void Texture::release()
{
    if (id == 0) return;
    const GLuint handle = glName();
    glDeleteTextures(1, &handle);
    id = 0;
}

void Texture::create(const char* path)
{
    release();
    // Longer paths are cut to fit; the name is only a label.
    std::strncpy(name, path ? path : "", sizeof(name) - 1);
    name[sizeof(name) - 1] = '\0';
    GLuint glName = 0;
    glGenTextures(1, &glName);
    id = static_cast<int32_t>(glName) + 1;
    glBindTexture(GL_TEXTURE_2D, glName);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
}

bool loadBmpTexture(const char* path, Texture& texture, std::string* error)
{
    // A fresh texture even when the file turns out to be unusable.
    texture.create(path);
    BmpImage image;
    if (!readBmpFile(path, image, error)) return false;
    texture.width = image.width;
    texture.height = image.height;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image.width, image.height, GL_BGR, GL_UNSIGNED_BYTE, image.pixels.data());
    return true;
}
