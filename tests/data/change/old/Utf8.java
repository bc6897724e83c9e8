// 日本語の説明
class A {}
