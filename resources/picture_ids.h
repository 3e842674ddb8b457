// Resource numbers of the splash and about pictures, one per screen scale.
// Shared by the resource script and the code that loads them.
#pragma once

#define KV_PICTURE_SPLASH_100 201
#define KV_PICTURE_SPLASH_125 202
#define KV_PICTURE_SPLASH_150 203
#define KV_PICTURE_SPLASH_175 204
#define KV_PICTURE_ABOUT_100 211
#define KV_PICTURE_ABOUT_125 212
#define KV_PICTURE_ABOUT_150 213
#define KV_PICTURE_ABOUT_175 214
