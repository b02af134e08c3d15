// The exporter's animation: the first animation set's tracks as channels of one animation.
#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

#include "gltf/export/gltf_exporter.h"
#include "model/animation.h"

namespace korva::gltf {

// Sorted, strictly increasing frames with the keys' values; a repeated frame keeps its last key.
template <typename Key, typename Value>
void Exporter::AddChannel(const Key* keys, int32_t count, int node, const std::string& path,
                          const std::string& trackLabel, Value value,
                          tinygltf::Animation* animation) {
  if (count <= 0 || !keys) return;
  std::vector<const Key*> order;
  for (int32_t k = 0; k < count; ++k) {
    if (keys[k].frame >= 0) order.push_back(&keys[k]);
  }
  if (order.size() < static_cast<size_t>(count)) {
    Warn(trackLabel + ": " + std::to_string(count - order.size()) + " " + path +
         " keys before frame 0 left out");
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const Key* a, const Key* b) { return a->frame < b->frame; });
  std::vector<float> times, values;
  size_t repeated = 0;
  for (const Key* key : order) {
    const auto v = value(*key);
    const float time = static_cast<float>(key->frame / options_.framesPerSecond);
    if (!times.empty() && times.back() >= time) {
      ++repeated;
      values.resize(values.size() - v.size());
      times.pop_back();
    }
    times.push_back(time);
    for (double c : v) values.push_back(Finite(c) ? static_cast<float>(c) : 0.0f);
  }
  if (repeated > 0) {
    Warn(trackLabel + ": " + std::to_string(repeated) + " " + path +
         " keys share a frame with a later key; the later one is kept");
  }
  if (times.empty()) return;
  const int components = static_cast<int>(values.size() / times.size());
  tinygltf::AnimationSampler sampler;
  sampler.input = buffer_.FloatAccessorWithBounds(times, 1, TINYGLTF_TYPE_SCALAR, 0);
  sampler.output =
      buffer_.Accessor(values, TINYGLTF_COMPONENT_TYPE_FLOAT,
                       components == 4 ? TINYGLTF_TYPE_VEC4 : TINYGLTF_TYPE_VEC3, times.size(), 0);
  sampler.interpolation = "LINEAR";
  animation->samplers.push_back(sampler);
  tinygltf::AnimationChannel channel;
  channel.sampler = static_cast<int>(animation->samplers.size() - 1);
  channel.target_node = node;
  channel.target_path = path;
  animation->channels.push_back(channel);
}

void Exporter::AddAnimation() {
  const sAnimationSet* set = object_.animationSet;
  if (!set) return;
  tinygltf::Animation animation;
  animation.name = NameText(set->name, sizeof set->name);
  std::set<const sAnimation*> seen;
  std::set<int> animatedNodes;
  for (const sAnimation* track = set->firstTrack; track; track = track->next) {
    if (!seen.insert(track).second) {
      Warn("the animation tracks' chain loops; the loop is cut");
      break;
    }
    const std::string trackLabel =
        "animation track \"" + NameText(track->name, sizeof track->name) + "\"";
    const int node = NodeNamed(NameBytes(track->name, sizeof track->name));
    if (node < 0) {
      Warn(trackLabel + " names no frame; left out");
      continue;
    }
    if (!hasTrs_[node]) {
      Warn(trackLabel + ": its frame's matrix is not translation, rotation and scale; left out");
      continue;
    }
    if (!animatedNodes.insert(node).second) {
      Warn(trackLabel + ": a second track for the frame; left out");
      continue;
    }
    const bool hasTrsKeys =
        track->positionKeyCount > 0 || track->rotationKeyCount > 0 || track->scaleKeyCount > 0;
    AddChannel(
        track->positionKeys, track->positionKeyCount, node, "translation", trackLabel,
        [](const sPositionKey& key) { return MirrorPoint(key.position); }, &animation);
    AddChannel(
        track->rotationKeys, track->rotationKeyCount, node, "rotation", trackLabel,
        [](const sRotateKey& key) { return NormalizeQuaternion(MirrorQuaternion(key.rotation)); },
        &animation);
    AddChannel(
        track->scaleKeys, track->scaleKeyCount, node, "scale", trackLabel,
        [](const sScaleKey& key) {
          return std::array<double, 3>{key.scale.x, key.scale.y, key.scale.z};
        },
        &animation);
    if (!hasTrsKeys && track->matrixKeyCount > 0 && track->matrixKeys) {
      AddMatrixKeys(*track, node, trackLabel, &animation);
    }
  }
  if (!animation.channels.empty()) model_.animations.push_back(animation);
}

// A track that holds only whole matrices: each is split into translation, rotation and scale.
void Exporter::AddMatrixKeys(const sAnimation& track, int node, const std::string& trackLabel,
                             tinygltf::Animation* animation) {
  std::vector<sPositionKey> positions;
  std::vector<sRotateKey> rotations;
  std::vector<sScaleKey> scales;
  size_t sheared = 0;
  std::vector<std::array<double, 4>> mirroredRotations;
  for (int32_t k = 0; k < track.matrixKeyCount; ++k) {
    const sMatrixKey& key = track.matrixKeys[k];
    Trs trs;
    if (!Decompose(FromHost(key.matrix), &trs)) {
      ++sheared;
      continue;
    }
    // Stored back in host terms so the channels convert them like any other key.
    sPositionKey position{};
    position.frame = key.frame;
    position.position = {float(trs.translation[0]), float(trs.translation[1]),
                         float(-trs.translation[2])};
    sRotateKey rotation{};
    rotation.frame = key.frame;
    rotation.rotation = {float(-trs.rotation[0]), float(-trs.rotation[1]), float(trs.rotation[2]),
                         float(trs.rotation[3])};
    sScaleKey scale{};
    scale.frame = key.frame;
    scale.scale = {float(trs.scale[0]), float(trs.scale[1]), float(trs.scale[2])};
    positions.push_back(position);
    rotations.push_back(rotation);
    scales.push_back(scale);
  }
  if (sheared > 0) {
    Warn(trackLabel + ": " + std::to_string(sheared) +
         " matrix keys are not translation, rotation and scale; left out");
  }
  const int32_t count = static_cast<int32_t>(positions.size());
  AddChannel(
      positions.data(), count, node, "translation", trackLabel,
      [](const sPositionKey& key) { return MirrorPoint(key.position); }, animation);
  AddChannel(
      rotations.data(), count, node, "rotation", trackLabel,
      [](const sRotateKey& key) { return NormalizeQuaternion(MirrorQuaternion(key.rotation)); },
      animation);
  AddChannel(
      scales.data(), count, node, "scale", trackLabel,
      [](const sScaleKey& key) {
        return std::array<double, 3>{key.scale.x, key.scale.y, key.scale.z};
      },
      animation);
}

}  // namespace korva::gltf
