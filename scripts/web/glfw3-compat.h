/* Force-included into raylib's web build: Debian's emscripten (3.1.6) ships a GLFW port without
 * glfwSetWindowAttrib and glfwSetWindowContentScaleCallback, which raylib's web platform calls when
 * a program changes window decorations or asks for high-DPI scaling. The show does neither; in a
 * browser both have nothing to act on, so they do nothing here. */
#ifndef DAVUR_EVI_GLFW3_COMPAT_H
#define DAVUR_EVI_GLFW3_COMPAT_H

struct GLFWwindow;

static inline void glfwSetWindowAttrib(struct GLFWwindow *window, int attrib, int value) {
    (void)window; (void)attrib; (void)value;
}

static inline void *glfwSetWindowContentScaleCallback(struct GLFWwindow *window,
                                                      void (*callback)(struct GLFWwindow *, float, float)) {
    (void)window; (void)callback;
    return 0;
}

#endif
