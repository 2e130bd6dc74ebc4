/* The floor the scale benchmarks compare the converter against: read each
 * XYZ file whole, take the integer part of the first three comma-separated
 * fields of every line and put the low byte of z into a raster of the
 * file's box. Single-threaded, no checks beyond what keeps it in bounds. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

typedef struct {
  int64_t x, y;
  uint8_t z;
} Point;

/* The integer part of one field; *p ends on the field's separator. */
static int64_t IntegerPart(const char** p, const char* end) {
  const char* s = *p;
  int negative = 0;
  int64_t value = 0;
  if (s < end && (*s == '-' || *s == '+')) negative = *s++ == '-';
  while (s < end && *s >= '0' && *s <= '9') value = value * 10 + (*s++ - '0');
  while (s < end && *s != ',' && *s != '\n') ++s;
  *p = s;
  return negative ? -value : value;
}

static uint64_t Rasterise(const char* text, size_t length, Point** points, size_t* capacity) {
  const char* p = text;
  const char* end = text + length;
  size_t n = 0;
  int64_t minX = INT64_MAX, minY = INT64_MAX, maxX = INT64_MIN, maxY = INT64_MIN;
  while (p < end) {
    Point pt;
    pt.x = IntegerPart(&p, end);
    if (p < end && *p == ',') ++p;
    pt.y = -IntegerPart(&p, end);
    if (p < end && *p == ',') ++p;
    pt.z = (uint8_t)IntegerPart(&p, end);
    while (p < end && *p != '\n') ++p;
    if (p < end) ++p;
    if (n == *capacity) {
      *capacity = *capacity ? *capacity * 2 : 65536;
      *points = realloc(*points, *capacity * sizeof(Point));
      if (!*points) exit(2);
    }
    (*points)[n++] = pt;
    if (pt.x < minX) minX = pt.x;
    if (pt.x > maxX) maxX = pt.x;
    if (pt.y < minY) minY = pt.y;
    if (pt.y > maxY) maxY = pt.y;
  }
  if (!n) return 0;
  const size_t w = (size_t)(maxX - minX + 1), h = (size_t)(maxY - minY + 1);
  uint8_t* raster = calloc(w * h, 1);
  if (!raster) exit(2);
  for (size_t i = 0; i < n; ++i)
    raster[(size_t)((*points)[i].y - minY) * w + (size_t)((*points)[i].x - minX)] = (*points)[i].z;
  uint64_t sum = 0;
  for (size_t i = 0; i < w * h; i += 4093) sum += raster[i];
  free(raster);
  return sum + n;
}

int main(int argc, char** argv) {
  Point* points = NULL;
  size_t capacity = 0;
  uint64_t total = 0;
  for (int i = 1; i < argc; ++i) {
    FILE* f = fopen(argv[i], "rb");
    if (!f) return 1;
    fseek(f, 0, SEEK_END);
    const long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    char* text = malloc(size > 0 ? (size_t)size : 1);
    if (!text || fread(text, 1, (size_t)size, f) != (size_t)size) return 1;
    fclose(f);
    total += Rasterise(text, (size_t)size, &points, &capacity);
    free(text);
  }
  free(points);
  printf("%llu\n", (unsigned long long)total);
  return 0;
}
