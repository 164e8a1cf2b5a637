/* A stand-in sound card's control device for the mixer tests, loaded by alsa-lib as a
 * control plugin.  It has two volumes, a playback one ("Master Playback Volume" unless
 * configured otherwise) and a capture one ("Capture Volume"), each with its own range.
 * Their values live in a small text file ("<playback> <capture>\n"), so that every process
 * that opens the device (the program under test, amixer) sees the same card; a change by
 * any of them is announced to every open handle through inotify on the file's folder.
 *
 *   ctl_type.varlofake { lib "/path/libasound_module_ctl_varlofake.so" }
 *   ctl.NAME { type varlofake  state "/path/state.txt"  playback_max 87  capture_max 63
 *              playback_name "Master"  capture_name "Capture" }
 *
 * An empty name leaves that volume out. */
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <unistd.h>

enum { kPlayback, kCapture, kVolumes };

typedef struct {
  snd_ctl_ext_t ext;
  char state[PATH_MAX];
  char elemName[kVolumes][44];
  long max[kVolumes];
  long reported[kVolumes]; /* the values last announced to this handle */
  int count;               /* elements present */
  int present[kVolumes];   /* element index -> volume */
} fake_t;

static void read_state(fake_t* f, long values[kVolumes]) {
  values[kPlayback] = values[kCapture] = 0;
  FILE* in = fopen(f->state, "r");
  if (in == NULL) return;
  long p = 0, c = 0;
  if (fscanf(in, "%ld %ld", &p, &c) == 2) {
    values[kPlayback] = p;
    values[kCapture] = c;
  }
  fclose(in);
}

static void write_state(fake_t* f, const long values[kVolumes]) {
  FILE* out = fopen(f->state, "w");
  if (out == NULL) return;
  fprintf(out, "%ld %ld\n", values[kPlayback], values[kCapture]);
  fclose(out);
}

static void fake_close(snd_ctl_ext_t* ext) {
  fake_t* f = ext->private_data;
  close(ext->poll_fd);
  free(f);
}

static int fake_elem_count(snd_ctl_ext_t* ext) { return ((fake_t*)ext->private_data)->count; }

static int fake_elem_list(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id) {
  fake_t* f = ext->private_data;
  if ((int)offset >= f->count) return -EINVAL;
  snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_id_set_name(id, f->elemName[f->present[offset]]);
  return 0;
}

static snd_ctl_ext_key_t fake_find_elem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id) {
  fake_t* f = ext->private_data;
  const char* name = snd_ctl_elem_id_get_name(id);
  for (int i = 0; i < f->count; ++i) {
    if (strcmp(name, f->elemName[f->present[i]]) == 0) return (snd_ctl_ext_key_t)f->present[i];
  }
  return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int fake_get_attribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc,
                              unsigned int* count) {
  (void)ext;
  (void)key;
  *type = SND_CTL_ELEM_TYPE_INTEGER;
  *acc = SND_CTL_EXT_ACCESS_READWRITE;
  *count = 1;
  return 0;
}

static int fake_get_integer_info(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* imin, long* imax,
                                 long* istep) {
  fake_t* f = ext->private_data;
  *imin = 0;
  *imax = f->max[key];
  *istep = 1;
  return 0;
}

static int fake_read_integer(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  fake_t* f = ext->private_data;
  long values[kVolumes];
  read_state(f, values);
  *value = values[key];
  return 0;
}

static int fake_write_integer(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  fake_t* f = ext->private_data;
  long values[kVolumes];
  read_state(f, values);
  if (values[key] == *value) return 0;
  values[key] = *value < 0 ? 0 : *value > f->max[key] ? f->max[key] : *value;
  write_state(f, values);
  return 1;
}

static void fake_subscribe_events(snd_ctl_ext_t* ext, int subscribe) {
  (void)ext;
  (void)subscribe;
}

/* Announces one volume whose value differs from what this handle last announced. */
static int fake_read_event(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* event_mask) {
  fake_t* f = ext->private_data;
  char buf[4096];
  while (read(ext->poll_fd, buf, sizeof buf) > 0) {
  }
  long values[kVolumes];
  read_state(f, values);
  for (int i = 0; i < f->count; ++i) {
    const int v = f->present[i];
    if (values[v] != f->reported[v]) {
      f->reported[v] = values[v];
      snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
      snd_ctl_elem_id_set_name(id, f->elemName[v]);
      *event_mask = SND_CTL_EVENT_MASK_VALUE;
      return 1;
    }
  }
  return -EAGAIN;
}

static const snd_ctl_ext_callback_t fake_callback = {
    .close = fake_close,
    .elem_count = fake_elem_count,
    .elem_list = fake_elem_list,
    .find_elem = fake_find_elem,
    .get_attribute = fake_get_attribute,
    .get_integer_info = fake_get_integer_info,
    .read_integer = fake_read_integer,
    .write_integer = fake_write_integer,
    .subscribe_events = fake_subscribe_events,
    .read_event = fake_read_event,
};

SND_CTL_PLUGIN_DEFINE_FUNC(varlofake) {
  (void)root;
  const char* state = NULL;
  const char* names[kVolumes] = {"Master", "Capture"};
  long max[kVolumes] = {87, 63};
  snd_config_iterator_t i, next;
  snd_config_for_each(i, next, conf) {
    snd_config_t* n = snd_config_iterator_entry(i);
    const char* key;
    if (snd_config_get_id(n, &key) < 0) continue;
    if (strcmp(key, "comment") == 0 || strcmp(key, "type") == 0 || strcmp(key, "hint") == 0) continue;
    if (strcmp(key, "state") == 0) {
      if (snd_config_get_string(n, &state) < 0) return -EINVAL;
    } else if (strcmp(key, "playback_max") == 0 || strcmp(key, "capture_max") == 0) {
      long v;
      if (snd_config_get_integer(n, &v) < 0 || v <= 0) return -EINVAL;
      max[key[0] == 'p' ? kPlayback : kCapture] = v;
    } else if (strcmp(key, "playback_name") == 0 || strcmp(key, "capture_name") == 0) {
      if (snd_config_get_string(n, &names[key[0] == 'p' ? kPlayback : kCapture]) < 0) return -EINVAL;
    } else {
      SNDERR("Unknown field %s", key);
      return -EINVAL;
    }
  }
  if (state == NULL || strlen(state) >= PATH_MAX) {
    SNDERR("no state file");
    return -EINVAL;
  }
  fake_t* f = calloc(1, sizeof *f);
  if (f == NULL) return -ENOMEM;
  snprintf(f->state, sizeof f->state, "%s", state);
  for (int v = 0; v < kVolumes; ++v) {
    f->max[v] = max[v];
    if (names[v][0] != '\0') {
      snprintf(f->elemName[v], sizeof f->elemName[v], "%s %s Volume", names[v],
               v == kPlayback ? "Playback" : "Capture");
      if (strcmp(names[v], "Capture") == 0) snprintf(f->elemName[v], sizeof f->elemName[v], "Capture Volume");
      f->present[f->count++] = v;
    }
  }
  read_state(f, f->reported);
  char folder[PATH_MAX];
  snprintf(folder, sizeof folder, "%s", state);
  char* slash = strrchr(folder, '/');
  if (slash != NULL) *slash = '\0';
  else snprintf(folder, sizeof folder, ".");
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0 || inotify_add_watch(fd, folder, IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
    if (fd >= 0) close(fd);
    free(f);
    return -errno;
  }
  f->ext.version = SND_CTL_EXT_VERSION;
  f->ext.card_idx = 0;
  snprintf(f->ext.id, sizeof f->ext.id, "VarloFake");
  snprintf(f->ext.driver, sizeof f->ext.driver, "varlofake");
  snprintf(f->ext.name, sizeof f->ext.name, "Varlo test card");
  snprintf(f->ext.longname, sizeof f->ext.longname, "Varlo test card (%s)", name);
  snprintf(f->ext.mixername, sizeof f->ext.mixername, "Varlo test mixer");
  f->ext.poll_fd = fd;
  f->ext.callback = &fake_callback;
  f->ext.private_data = f;
  const int err = snd_ctl_ext_create(&f->ext, name, mode);
  if (err < 0) {
    close(fd);
    free(f);
    return err;
  }
  *handlep = f->ext.handle;
  return 0;
}

SND_CTL_PLUGIN_SYMBOL(varlofake);
